// The pixel engine against the physical limit (memcpy of a whole picture) and against SDL's own
// blitter, in one run so that the ratios hold. Pictures are the game's: 512 x 474 playfield,
// 32 x 32 sprites.
#include "platform/pixels.hpp"
#include "runtime/picture/surface.hpp"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int32_t kW = 512;
constexpr int32_t kH = 474;

platform::pixels::Bitmap pattern(int32_t w, int32_t h, uint32_t seed) {
    platform::pixels::Bitmap b(w, h);
    uint32_t v = seed;
    for (platform::pixels::Colour& c : b.pixels) {
        v = v * 1103515245u + 12345u;
        c = (v >> 8) & 0x00FFFFFF;
    }
    return b;
}

void give(picture::Surface& s, platform::pixels::Bitmap b) {
    s.replaceBitmap(std::make_unique<platform::pixels::Bitmap>(std::move(b)));
}

void BM_Memcpy512x474(benchmark::State& state) {
    const platform::pixels::Bitmap src = pattern(kW, kH, 1);
    platform::pixels::Bitmap dst = pattern(kW, kH, 2);
    for (auto _ : state) {
        std::memcpy(dst.pixels.data(), src.pixels.data(),
                    src.pixels.size() * sizeof(platform::pixels::Colour));
        benchmark::DoNotOptimize(dst.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * 4);
}

void putFull(benchmark::State& state, uint32_t rop) {
    picture::Surface source, target;
    give(source, pattern(kW, kH, 1));
    give(target, pattern(kW, kH, 2));
    for (auto _ : state) {
        benchmark::DoNotOptimize(source.putOnto(target, 0, 0, -1, -1, rop));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * 4);
}

void BM_PutSrcCopy512x474(benchmark::State& state) {
    putFull(state, picture::kSrcCopy);
}
void BM_PutSrcAnd512x474(benchmark::State& state) {
    putFull(state, picture::kSrcAnd);
}
void BM_PutSrcPaint512x474(benchmark::State& state) {
    putFull(state, picture::kSrcPaint);
}

// The game's scroll: the background one row lower onto the screen picture, its last row clipped.
void BM_Scroll512x474(benchmark::State& state) {
    picture::Surface background, screen;
    give(background, pattern(kW, kH, 1));
    give(screen, pattern(kW, kH, 2));
    for (auto _ : state) {
        benchmark::DoNotOptimize(background.putOnto(screen, 0, 1, -1, -1, picture::kSrcCopy));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kW} * (kH - 1) * 4);
}

void BM_Copy32x32(benchmark::State& state) {
    picture::Surface sprite, screen;
    give(sprite, pattern(32, 32, 3));
    give(screen, pattern(kW, kH, 2));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sprite.putOnto(screen, 200, 200, -1, -1, picture::kSrcCopy));
        benchmark::ClobberMemory();
    }
}

// A sprite drawn the game's way, partly off the left and bottom edges: its mask with AND, then
// the sprite with OR.
void BM_MaskedSprite32(benchmark::State& state) {
    picture::Surface sprite, mask, screen;
    platform::pixels::Bitmap spriteBits = pattern(32, 32, 3);
    platform::pixels::Bitmap maskBits(32, 32);
    for (size_t i = 0; i < spriteBits.pixels.size(); ++i) {
        if (i % 3 == 0) spriteBits.pixels[i] = 0;
        maskBits.pixels[i] = spriteBits.pixels[i] == 0 ? 0xFFFFFF : 0;
    }
    give(sprite, std::move(spriteBits));
    give(mask, std::move(maskBits));
    give(screen, pattern(kW, kH, 2));
    for (auto _ : state) {
        benchmark::DoNotOptimize(mask.putOnto(screen, -8, kH - 20, -1, -1, picture::kSrcAnd));
        benchmark::DoNotOptimize(sprite.putOnto(screen, -8, kH - 20, -1, -1, picture::kSrcPaint));
        benchmark::ClobberMemory();
    }
}

struct SdlSurface {
    SDL_Surface* s;
    SdlSurface(int w, int h, uint32_t seed)
        : s(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_XBGR8888)) {
        const platform::pixels::Bitmap b = pattern(w, h, seed);
        for (int y = 0; y < h; ++y)
            std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, b.row(y),
                        static_cast<size_t>(w) * 4);
        SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_NONE);
    }
    ~SdlSurface() { SDL_FreeSurface(s); }
};

void BM_SdlBlit512x474(benchmark::State& state) {
    SdlSurface src(kW, kH, 1), dst(kW, kH, 2);
    for (auto _ : state) {
        SDL_Rect at{0, 0, kW, kH};
        benchmark::DoNotOptimize(SDL_BlitSurface(src.s, nullptr, dst.s, &at));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * 4);
}

void BM_SdlBlit32x32(benchmark::State& state) {
    SdlSurface src(32, 32, 3), dst(kW, kH, 2);
    for (auto _ : state) {
        SDL_Rect at{200, 200, 32, 32};
        benchmark::DoNotOptimize(SDL_BlitSurface(src.s, nullptr, dst.s, &at));
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_Memcpy512x474);
BENCHMARK(BM_PutSrcCopy512x474);
BENCHMARK(BM_PutSrcAnd512x474);
BENCHMARK(BM_PutSrcPaint512x474);
BENCHMARK(BM_Scroll512x474);
BENCHMARK(BM_Copy32x32);
BENCHMARK(BM_MaskedSprite32);
BENCHMARK(BM_SdlBlit512x474);
BENCHMARK(BM_SdlBlit32x32);

BENCHMARK_MAIN();
