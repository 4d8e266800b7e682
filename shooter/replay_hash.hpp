#pragma once
// The hashes a replay ends with and a recording is checked against: the game's state, the
// window's picture, and the data files a run depends on.
#include "platform/pixels.hpp"
#include "shooter/game_state.hpp"

#include <cstddef>
#include <cstdint>

namespace shooter {

// 64-bit FNV-1a over bytes; every number goes in little-endian, a double as its IEEE-754 bits.
class Fnv1a {
  public:
    void bytes(const uint8_t* data, size_t size);
    void u8(uint8_t v) { bytes(&v, 1); }
    void u16(uint16_t v) { integer(v, 2); }
    void i16(int16_t v) { integer(static_cast<uint16_t>(v), 2); }
    void u32(uint32_t v) { integer(v, 4); }
    void u64(uint64_t v) { integer(v, 8); }
    void f64(double v);
    uint64_t value() const { return h_; }

  private:
    void integer(uint64_t v, int size);
    uint64_t h_ = 0xcbf29ce484222325ull;
};

// The object table (slot by slot: kind, frame, x, y), then every game variable in the order
// GameState declares them, then the random generator's seed.
uint64_t hashState(const GameState& g);
// Width and height (32 bits each), then the pixels row by row from the top, each 0x00BBGGRR in 32
// bits.
uint64_t hashPicture(const platform::pixels::Bitmap& picture);
// The window's pixels as the program drew them (its client framebuffer).
uint64_t hashWindowPicture();

// Hashes of the data a run depends on, as files in the current folder: each file's bytes followed
// by its length in 64 bits; a file that cannot be read as a regular file gives the length ~0 alone.
struct DataHashes {
    uint64_t map = 0;      // AREA1.csv
    uint64_t pictures = 0; // the sprites in the order they load (every first frame, then every
                           // second, then every third), then the tiles 0 to 9
};
DataHashes hashDataFiles();

} // namespace shooter
