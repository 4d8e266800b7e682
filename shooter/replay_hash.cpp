#include "shooter/replay_hash.hpp"

#include "mapfile/mapfile.hpp"
#include "platform/files.hpp"
#include "platform/system.hpp"
#include "runtime/core/rtmath.hpp"
#include "runtime/prompt/canvas.hpp"
#include "shooter/pictures.hpp"

#include <bit>
#include <type_traits>
#include <unistd.h>

namespace shooter {

// A variable added to the game's state must join hashState below, or replays stop guarding it.
// The size counts the state's two callbacks (playSound, readKeys): std::function objects, whose
// size is the standard library's own (32 bytes each in GCC's libstdc++). Built with another
// library, the number changes with no variable added.
static_assert(sizeof(GameState) == 69528,
              "GameState changed (or std::function's size differs): update hashState and this size");

void Fnv1a::bytes(const uint8_t* data, size_t size) {
    uint64_t h = h_;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 0x100000001b3ull;
    h_ = h;
}

void Fnv1a::integer(uint64_t v, int size) {
    uint8_t le[8];
    for (int i = 0; i < size; ++i) le[i] = static_cast<uint8_t>(v >> (8 * i));
    bytes(le, static_cast<size_t>(size));
}

void Fnv1a::f64(double v) {
    u64(std::bit_cast<uint64_t>(v));
}

namespace {

template <typename T, size_t N> void each(Fnv1a& h, const std::array<T, N>& values) {
    for (const T& v : values) {
        if constexpr (std::is_same_v<T, double>)
            h.f64(v);
        else
            h.i16(v);
    }
}

// Hashes a file as it is read, a block at a time, whatever its size.
void hashFile(Fnv1a& h, const std::string& path) {
    const int fd = platform::files::openRegularFile(path);
    if (fd < 0) {
        h.u64(~uint64_t{0});
        return;
    }
    uint8_t block[65536];
    uint64_t length = 0;
    for (;;) {
        const long n = platform::files::readFully(fd, block, sizeof block);
        if (n <= 0) break;
        h.bytes(block, static_cast<size_t>(n));
        length += static_cast<uint64_t>(n);
    }
    ::close(fd);
    h.u64(length);
}

} // namespace

uint64_t hashState(const GameState& g) {
    Fnv1a h;
    for (int s = 0; s < kSlotCount; ++s) {
        h.i16(g.obj.kind[s]);
        h.i16(g.obj.frame[s]);
        h.f64(g.obj.x[s]);
        h.f64(g.obj.y[s]);
    }
    h.i16(g.speedFactor);
    h.i16(g.framesPerRow);
    h.f64(g.frameWait);
    h.i16(g.scrollCounter);
    h.i16(g.mapRow);
    h.i16(g.lastRow);
    each(h, g.mapCells);
    h.f64(g.playerX);
    h.f64(g.playerY);
    each(h, g.shotActive);
    h.i16(g.bombTimer);
    each(h, g.flashTimer);
    each(h, g.wreckTimer);
    each(h, g.dirX);
    each(h, g.dirY);
    h.i16(g.bulletOffsetX);
    h.i16(g.bulletOffsetY);
    h.u8(g.shotKeyLatch);
    h.u8(g.bombKeyLatch);
    each(h, g.enemyDX);
    each(h, g.enemyDY);
    each(h, g.enemyCount);
    each(h, g.bulletVX);
    each(h, g.bulletVY);
    each(h, g.groundTimer);
    each(h, g.pathStep);
    each(h, g.pathCol);
    each(h, g.pathRow);
    each(h, g.pathDir);
    h.i16(g.fortressTimer);
    h.u32(rt::rtRandomSeed());
    return h.value();
}

uint64_t hashPicture(const platform::pixels::Bitmap& picture) {
    Fnv1a h;
    h.u32(static_cast<uint32_t>(picture.width));
    h.u32(static_cast<uint32_t>(picture.height));
    for (const platform::pixels::Colour c : picture.pixels) h.u32(c);
    return h.value();
}

uint64_t hashWindowPicture() {
    prompt::CanvasLock lock;
    const platform::pixels::Bitmap* window = lock.window();
    return hashPicture(window ? *window : platform::pixels::Bitmap());
}

DataHashes hashDataFiles() {
    DataHashes d;
    Fnv1a map;
    hashFile(map, platform::nativePath(mapfile::kMapFileName));
    d.map = map.value();
    Fnv1a pictures;
    for (int f = 1; f <= kSpriteFrames; ++f)
        for (int k = 1; k <= kSpriteKinds; ++k)
            hashFile(pictures, platform::nativePath(spriteFileName(k, f)));
    for (int t = 0; t < kTileCount; ++t) hashFile(pictures, platform::nativePath(tileFileName(t)));
    d.pictures = pictures.value();
    return d;
}

} // namespace shooter
