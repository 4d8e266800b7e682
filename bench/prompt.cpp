// The text console's speed: printing one full 80-character line (stored and drawn on the window),
// and a full repaint at 640 x 490 (back buffer, then every visible row of 80 characters over it).
// A repaint should stay well under one 15.625 ms system tick.
#include "runtime/prompt/prompt.hpp"
#include "platform/window.hpp"
#include "runtime/core/rtstring.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

void startWindow() {
    static bool started = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 0); // headless unless told otherwise
        prompt::promptStart();
        platform::window::setClientSize(640, 490);
        return true;
    }();
    (void)started;
}

const std::string kLine = [] {
    std::string s;
    for (int i = 0; i < 80; ++i) s += static_cast<char>('!' + i % 90);
    return s;
}();

void BM_PrintFullLine(benchmark::State& state) {
    startWindow();
    prompt::rtCls(3);
    for (auto _ : state) {
        prompt::rtLocate(0, 5);
        prompt::rtPrint(rt::rtStrFromCString(kLine.c_str()));
    }
}
BENCHMARK(BM_PrintFullLine);

void BM_FullRepaint640x490(benchmark::State& state) {
    startWindow();
    prompt::rtCls(3);
    for (int row = 0; row <= prompt::kLastRow; ++row) {
        prompt::rtLocate(0, row);
        {
            // Fill the grid without scrolling: every row holds a full line.
            prompt::CanvasLock lock;
            lock.textGrid().print(kLine);
        }
    }
    prompt::rtLocate(0, 0);
    for (auto _ : state) prompt::promptPaint();
}
BENCHMARK(BM_FullRepaint640x490)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
