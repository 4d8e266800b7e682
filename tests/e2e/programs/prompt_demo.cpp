// A prompt window with graphics and text over them, for the end-to-end script: Japanese and ASCII
// lines on opaque cells, a line padded with transparent blanks over the graphics, then every key's
// virtual-key code, on the screen and on standard output, until Escape ends the program.
#include "platform/pixels.hpp"
#include "runtime/core/process.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/prompt/prompt.hpp"

#include <cstdio>
#include <string>

namespace {

constexpr platform::pixels::Colour kTeal = platform::pixels::rgb(0, 128, 128),
                                   kOrange = platform::pixels::rgb(255, 128, 0);

void fill(platform::pixels::Bitmap& b, int32_t x, int32_t y, int32_t w, int32_t h,
          platform::pixels::Colour c) {
    for (int32_t py = y; py < y + h; ++py)
        for (int32_t px = x; px < x + w; ++px)
            if (b.contains(px, py)) b.at(px, py) = c;
}

// Graphics as the picture operations leave them: on the window and mirrored in the back buffer.
void drawGraphics() {
    prompt::CanvasLock lock;
    for (platform::pixels::Bitmap* b : {lock.window(), lock.backBuffer()}) {
        if (!b) continue;
        fill(*b, 0, 0, 640, 490, kTeal);
        fill(*b, 320, 160, 240, 160, kOrange);
        for (int32_t x = 0; x < 640; x += 32) fill(*b, x, 400, 16, 90, platform::pixels::rgb(0, 0, 160));
    }
}

void print(const char* utf8) {
    prompt::rtPrint(rt::rtStrLiteral(utf8));
}

} // namespace

int main() {
    rt::rtRuntimeInit();
    prompt::promptStart();
    platform::pixels::Bitmap icon(32, 32, kOrange);
    fill(icon, 8, 8, 16, 16, kTeal);
    rt::RtString title = rt::rtStrLiteral("プロンプト表示テスト");
    prompt::promptConfigure(title, {icon}, 640, 490);
    rt::rtStrFree(title);

    drawGraphics();
    print("ASCII: The quick brown fox jumps over the lazy dog 0123456789\r\n");
    print("日本語：スクロール背景作成ツール　全角ＡＢＣ半角ｱｲｳ\r\n");
    print("tab\tstops\tat\teight\r\n");
    prompt::rtLocate(40, 10); // padded with transparent blanks over the orange box
    print("over the box 漢字");
    prompt::rtLocate(0, 12);
    print("Keys (Esc ends):\r\n");
    std::printf("ready\n");
    std::fflush(stdout);

    for (;;) {
        rt::RtString key = prompt::rtInputKeys(1);
        const int32_t code = rt::rtStrAsc(key);
        std::printf("key %d\n", code);
        std::fflush(stdout);
        print(("key " + std::to_string(code) + "\r\n").c_str());
        if (code == 27) rt::rtProgramEnd();
    }
}
