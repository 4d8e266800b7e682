// Getting a picture to the screen, against the physical limit (one memcpy of the game's 512 x 474
// picture, in the same run): the window thread's present of the game's frame as the game gives it
// (the 512 x 474 picture at (0, -14) of the 640 x 490 client area, drawn anew in its place), at
// scale 1 and 2, of frames handed over by turns, and of the whole client area drawn anew. Each present runs
// as the window thread runs it where there is no GPU: converted and placed straight into the window's own
// buffer (SDL_RENDER_DRIVER naming an accelerated renderer measures that one instead), under the dummy video
// driver unless SDL_VIDEODRIVER names a display. Times are the window thread's processor time, so that other
// work on the machine does not count; the x_memcpy counter is the time over the memcpy's, measured the same
// way.
#include "platform/window_hooks.hpp"
#include "runtime/prompt/canvas.hpp"
#include "runtime/prompt/prompt.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr int32_t kW = 512, kH = 474;

void startWindow() {
    static bool started = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_RENDER_DRIVER", "software", 0);
        prompt::promptStart();
        platform::window::setClientSize(640, 490);
        // Only the timed presents below: a change no longer asks the window thread for one.
        prompt::setPresentRequest({});
        return true;
    }();
    (void)started;
}

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The median of many memcpys of the picture, in seconds of processor time.
double memcpySeconds() {
    static const double seconds = [] {
        std::vector<uint32_t> src(kW * kH, 0x123456), dst(kW * kH);
        std::vector<double> runs;
        for (int i = 0; i < 201; ++i) {
            const double t0 = threadSeconds();
            std::memcpy(dst.data(), src.data(), src.size() * sizeof(uint32_t));
            benchmark::DoNotOptimize(dst.data());
            benchmark::ClobberMemory();
            runs.push_back(threadSeconds() - t0);
        }
        std::nth_element(runs.begin(), runs.begin() + 100, runs.end());
        return runs[100];
    }();
    return seconds;
}

void BM_Memcpy512x474(benchmark::State& state) {
    std::vector<uint32_t> src(kW * kH, 0x123456), dst(kW * kH);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}

// What the present's own buffers allow: the same rows copied as they are, from two pictures by
// turns (as frames handed over by turns come) into a buffer of the client area's width. These three buffers
// outgrow a processor's nearest caches where the memcpy's two fit, so this is the present's floor
// on such a machine, above the memcpy's.
void BM_CopyRowsLikeThePresent(benchmark::State& state) {
    std::vector<uint32_t> a(kW * kH, 0x123456), b(kW * kH, 0x654321), view(640 * 490);
    memcpySeconds();
    double total = 0;
    bool second = false;
    for (auto _ : state) {
        const uint32_t* from = (second ? b : a).data() + 14 * kW;
        second = !second;
        const double t0 = threadSeconds();
        for (int32_t y = 0; y < kH - 14; ++y)
            std::memcpy(view.data() + y * 640, from + y * kW, kW * sizeof(uint32_t));
        benchmark::DoNotOptimize(view.data());
        benchmark::ClobberMemory();
        const double seconds = threadSeconds() - t0;
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.counters["x_memcpy"] =
        benchmark::Counter(total / memcpySeconds(), benchmark::Counter::kAvgIterations);
}

// Presents after each change, timing only the window thread's present.
template <class Change> void presentAfter(benchmark::State& state, Change change) {
    startWindow();
    const int32_t scale = static_cast<int32_t>(state.range(0));
    platform::window::resizeFromOutside(640 * scale, 490 * scale);
    memcpySeconds();
    double total = 0;
    for (auto _ : state) {
        change();
        const double seconds = platform::window::presentTimed();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.counters["x_memcpy"] =
        benchmark::Counter(total / memcpySeconds(), benchmark::Counter::kAvgIterations);
}

// The game's frame as the game gives it: handed over once, then drawn anew in its place, all of
// it, by another thread before each present.
void BM_PresentGameFrame(benchmark::State& state) {
    startWindow();
    platform::pixels::Bitmap frame(kW, kH, 0x336699);
    {
        prompt::CanvasLock canvas;
        canvas.windowTakes(frame, 0, -14);
    }
    platform::pixels::Colour colour = 0;
    presentAfter(state, [&colour] {
        prompt::CanvasLock canvas;
        if (platform::pixels::Bitmap* shown = canvas.shownPicture(0, -14, kW, kH))
            std::fill(shown->pixels.begin(), shown->pixels.end(), ++colour & 0xFFFFFF);
    });
}

// Frames handed over by turns, as a program that draws each one on the picture it got back.
void BM_PresentHandedFrames(benchmark::State& state) {
    platform::pixels::Bitmap frame(kW, kH, 0x336699);
    presentAfter(state, [&frame] {
        prompt::CanvasLock canvas;
        canvas.windowTakes(frame, 0, -14);
    });
}

void BM_PresentWholeWindow(benchmark::State& state) {
    presentAfter(state, [] {
        prompt::CanvasLock canvas;
        canvas.window(); // all of it may have changed
    });
}

} // namespace

// Each present is timed on its own (manual time), nine runs reported as their aggregates.
void timedRuns(benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Repetitions(9)->ReportAggregatesOnly(true)->DisplayAggregatesOnly(true);
}

BENCHMARK(BM_Memcpy512x474)->Repetitions(9)->ReportAggregatesOnly(true)->DisplayAggregatesOnly(true);
BENCHMARK(BM_CopyRowsLikeThePresent)->Apply(timedRuns);
BENCHMARK(BM_PresentGameFrame)->Arg(1)->Arg(2)->ArgName("scale")->Apply(timedRuns);
BENCHMARK(BM_PresentHandedFrames)->Arg(1)->ArgName("scale")->Apply(timedRuns);
BENCHMARK(BM_PresentWholeWindow)->Arg(1)->ArgName("scale")->Apply(timedRuns);

BENCHMARK_MAIN();
