#pragma once
// The game's picture objects, in one place: the frame being composed and the clean background
// (512 x 474 each), the loader used to build masks, the ten ground tiles and the 30 x 3 sprite
// pictures with their masks.
#include "runtime/picture/picture.hpp"
#include "runtime/picture/surface.hpp"

#include <array>
#include <cstdint>
#include <string>

namespace shooter {

inline constexpr int32_t kPlayfieldWidth = 512;
inline constexpr int32_t kPlayfieldHeight = 474;
inline constexpr int32_t kTileSize = 16;
inline constexpr int kTileCount = 10;
inline constexpr int kSpriteKinds = 30;
inline constexpr int kSpriteFrames = 3;

struct GamePictures {
    picture::Surface screenPicture;
    picture::Surface backgroundPicture;
    // Each sprite file is loaded into it a second time, for its pixel table.
    picture::Picture maskSourcePicture;
    std::array<picture::Picture, kTileCount> tilePicture;
    // The background scrolls as a ring of rows, moved by where it starts rather than by copying:
    // the playfield's row 0 is backgroundPicture's row backgroundTop, the rows below it follow
    // round the end. A background captured anew starts at its own row 0.
    int32_t backgroundTop = 0;

    // Kind 1..30, frame 1..3, as the object table counts them.
    picture::Picture& sprite(int kind, int frame) { return sprites_[index(kind, frame)]; }
    picture::Surface& mask(int kind, int frame) { return masks_[index(kind, frame)]; }

  private:
    static size_t index(int kind, int frame) {
        return static_cast<size_t>((kind - 1) * kSpriteFrames + (frame - 1));
    }
    std::array<picture::Picture, kSpriteKinds * kSpriteFrames> sprites_;
    std::array<picture::Surface, kSpriteKinds * kSpriteFrames> masks_;
};

// "bmp\chr07-2.BMP": two-digit kind, then the frame; the name keeps the game's own separator.
std::string spriteFileName(int kind, int frame);
// "bmp\3.bmp" (lower-case extension, unlike the sprites).
std::string tileFileName(int tile);

} // namespace shooter
