// The window thread under the dummy video driver: settings, key events and the close path.
#include "platform/cp932.hpp"
#include "platform/keys.hpp"
#include "platform/system.hpp"
#include "platform/window.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

namespace {

namespace win = platform::window;

// Key events as the video library reports them: scan codes are USB HID usage ids, key codes are
// the character for printable keys and the scan code with bit 30 set for the others.
constexpr int32_t kNonChar = 1 << 30;
constexpr uint16_t kShift = 0x0001, kNumLock = 0x1000;
constexpr int32_t kScanA = 4, kScanZ = 29, kScan1 = 30, kScan0 = 39, kScanReturn = 40, kScanEscape = 41,
                  kScanBackspace = 42, kScanTab = 43, kScanSpace = 44, kScanF1 = 58, kScanF12 = 69,
                  kScanDelete = 76, kScanRight = 79, kScanLeft = 80, kScanDown = 81, kScanUp = 82,
                  kScanKpEnter = 88, kScanKp1 = 89, kScanKp9 = 97, kScanKp0 = 98, kScanKpPeriod = 99;

int32_t nonChar(int32_t scan) {
    return scan | kNonChar;
}

TEST(WindowKeys, EventsMapToVirtualKeyCodes) {
    struct Row {
        int32_t scancode, keycode;
        uint16_t modifiers;
        int expected;
        const char* what;
    } rows[] = {
        {kScanA, 'a', 0, 0x41, "a"},
        {kScanA, 'a', kShift, 0x41, "Shift+a is still A"},
        {kScanZ, 'z', 0, 0x5A, "z"},
        {kScan1, '1', 0, 0x31, "1"},
        {kScan0, '0', kShift, 0x30, "Shift+0"},
        {kScanReturn, '\r', 0, 13, "Enter"},
        {kScanKpEnter, nonChar(kScanKpEnter), 0, 13, "keypad Enter"},
        {kScanTab, '\t', 0, 9, "Tab"},
        {kScanEscape, 27, 0, 27, "Escape"},
        {kScanDelete, 127, 0, 46, "Delete"},
        {kScanSpace, ' ', 0, 32, "Space"},
        {kScanBackspace, '\b', 0, 8, "Backspace"},
        {kScanLeft, nonChar(kScanLeft), 0, 37, "Left"},
        {kScanUp, nonChar(kScanUp), 0, 38, "Up"},
        {kScanRight, nonChar(kScanRight), 0, 39, "Right"},
        {kScanDown, nonChar(kScanDown), 0, 40, "Down"},
        {kScanF1, nonChar(kScanF1), 0, 112, "F1"},
        {kScanF12, nonChar(kScanF12), 0, 123, "F12"},
        {kScanKp0, nonChar(kScanKp0), kNumLock, 96, "keypad 0, NumLock on"},
        {kScanKp1, nonChar(kScanKp1), kNumLock, 97, "keypad 1, NumLock on"},
        {kScanKp9, nonChar(kScanKp9), kNumLock, 105, "keypad 9, NumLock on"},
        {kScanKpPeriod, nonChar(kScanKpPeriod), kNumLock, 110, "keypad decimal, NumLock on"},
        {kScanKp0, nonChar(kScanKp0), 0, 45, "keypad 0, NumLock off: Insert"},
        {kScanKp1, nonChar(kScanKp1), 0, 35, "keypad 1, NumLock off: End"},
        {kScanKp1 + 1, nonChar(kScanKp1 + 1), 0, 40, "keypad 2, NumLock off: Down"},
        {kScanKp1 + 3, nonChar(kScanKp1 + 3), 0, 37, "keypad 4, NumLock off: Left"},
        {kScanKp1 + 4, nonChar(kScanKp1 + 4), 0, 12, "keypad 5, NumLock off: Clear"},
        {kScanKp1 + 6, nonChar(kScanKp1 + 6), 0, 36, "keypad 7, NumLock off: Home"},
        {kScanKp9, nonChar(kScanKp9), 0, 33, "keypad 9, NumLock off: Page Up"},
        {kScanKpPeriod, nonChar(kScanKpPeriod), 0, 46, "keypad decimal, NumLock off: Delete"},
    };
    for (const Row& r : rows) {
        const int got = win::virtualKeyFromEvent(r.scancode, r.keycode, r.modifiers);
        EXPECT_EQ(got, r.expected) << r.what << ": expected " << r.expected << ", got " << got;
    }
}

class WindowThread : public testing::Test {
  protected:
    static std::atomic<int> lastKeyDown;
    static std::atomic<int> paints;
    static std::atomic<int> createdWidth;

    void SetUp() override {
        win::start({[](int32_t, int32_t, int32_t w, int32_t) { createdWidth.store(w); },
                    [](int32_t, int32_t) { paints.fetch_add(1); }, [](int vk) { lastKeyDown.store(vk); }},
                   [](uint32_t* destination, int32_t width, int32_t height, int32_t pitch) {
                       for (int32_t y = 0; y < height; ++y)
                           for (int32_t x = 0; x < width; ++x) destination[y * pitch + x] = 0x0000FF;
                   });
        const uint32_t deadline = platform::tickCount() + 10000;
        while (win::state() == win::State::Starting && platform::tickCount() < deadline) platform::sleepMs(1);
        ASSERT_EQ(win::state(), win::State::Open) << win::failureReason();
        platform::keys::releaseAll();
        lastKeyDown.store(0);
    }
};
std::atomic<int> WindowThread::lastKeyDown{0};
std::atomic<int> WindowThread::paints{0};
std::atomic<int> WindowThread::createdWidth{0};

TEST_F(WindowThread, OpensWithTheFirstTitleAndPaints) {
    EXPECT_EQ(win::titleUtf8(), "BASIC PROMPT");
    EXPECT_GT(createdWidth.load(), 0);
    win::flush();
    EXPECT_GE(paints.load(), 1);
}

TEST_F(WindowThread, SettingsReachTheWindow) {
    win::setTitle(platform::cp932::fromUtf8("スクロール背景作成ツール"));
    EXPECT_EQ(win::titleUtf8(), "スクロール背景作成ツール");
    win::setIcon(pixels::Bitmap(32, 32, 0x00FF00));
    const int before = paints.load();
    win::setResizable(false);
    win::setPosition(0, 0);
    win::setClientSize(800, 480);
    const win::Geometry g = win::geometry();
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    EXPECT_EQ(g.clientWidth, 800);
    EXPECT_EQ(g.clientHeight, 480);
    EXPECT_FALSE(g.resizable);
    EXPECT_GT(paints.load(), before) << "a new client size repaints";
}

TEST_F(WindowThread, RequestedPaintsRunBeforeFlushReturns) {
    const int before = paints.load();
    win::requestPaint();
    win::flush();
    EXPECT_GT(paints.load(), before);
}

// Key events of the video library take the real path: key-state table and key-down callback.
TEST_F(WindowThread, KeyEventsFillTheKeyStateTableAndReportKeyDowns) {
    struct Row {
        int32_t scancode, keycode;
        uint16_t modifiers;
        int vk;
    } rows[] = {
        {kScanA + 23, 'x', 0, 0x58},
        {kScanKp1 + 7, nonChar(kScanKp1 + 7), kNumLock, 104},
        {kScanKp1 + 7, nonChar(kScanKp1 + 7), 0, 38},
        {kScanLeft, nonChar(kScanLeft), 0, 37},
    };
    for (const Row& r : rows) {
        win::injectKeyEvent(r.scancode, r.keycode, r.modifiers, true);
        EXPECT_EQ(lastKeyDown.load(), r.vk);
        EXPECT_TRUE(platform::keys::isKeyDown(r.vk)) << "vk " << r.vk << " not down";
        lastKeyDown.store(0);
        win::injectKeyEvent(r.scancode, r.keycode, r.modifiers, false);
        EXPECT_FALSE(platform::keys::isKeyDown(r.vk)) << "vk " << r.vk << " still down after its key-up";
        EXPECT_EQ(lastKeyDown.load(), 0) << "a key-up reported a key-down";
    }
}

TEST_F(WindowThread, InjectedKeysTakeTheSamePath) {
    win::injectKey(0x5A, true);
    EXPECT_TRUE(platform::keys::isKeyDown(0x5A));
    EXPECT_EQ(lastKeyDown.load(), 0x5A);
    win::injectKey(0x5A, false);
    EXPECT_FALSE(platform::keys::isKeyDown(0x5A));
}

// Closing ends the process at once with exit code 0, whether the desktop sends a window close
// or a quit.
TEST(WindowClose, ClosingEndsTheProcessWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (bool quitEvent : {false, true}) {
        EXPECT_EXIT(
            {
                win::start({}, {});
                while (win::state() != win::State::Open) platform::sleepMs(1);
                win::injectClose(quitEvent);
                for (;;) platform::sleepMs(100);
            },
            testing::ExitedWithCode(0), "")
            << (quitEvent ? "quit event" : "window close event");
    }
}

TEST(WindowStart, WithoutADisplayTheReasonIsGiven) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("SDL_VIDEODRIVER");
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            // A desktop's compositor is also found under its default name in the runtime folder.
            setenv("XDG_RUNTIME_DIR", "/nonexistent", 1);
            win::start({}, {});
            while (win::state() == win::State::Starting) platform::sleepMs(1);
            std::fprintf(stderr, "%s\n", win::failureReason().c_str());
            std::exit(win::state() == win::State::Failed ? 3 : 4);
        },
        testing::ExitedWithCode(3), "neither DISPLAY nor WAYLAND_DISPLAY");
}

} // namespace
