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
constexpr uint16_t kShift = 0x0001, kCtrl = 0x0040, kLAlt = 0x0100, kRAlt = 0x0200, kNumLock = 0x1000;
constexpr int32_t kScanA = 4, kScanX = 27, kScanZ = 29, kScan1 = 30, kScan0 = 39, kScanReturn = 40,
                  kScanEscape = 41, kScanBackspace = 42, kScanTab = 43, kScanSpace = 44, kScanMinus = 45,
                  kScanEquals = 46, kScanLeftBracket = 47, kScanRightBracket = 48, kScanBackslash = 49,
                  kScanSemicolon = 51, kScanApostrophe = 52, kScanGrave = 53, kScanComma = 54,
                  kScanPeriod = 55, kScanSlash = 56, kScanCapsLock = 57, kScanF1 = 58, kScanF9 = 66,
                  kScanF10 = 67, kScanF12 = 69, kScanScrollLock = 71, kScanPause = 72, kScanInsert = 73,
                  kScanHome = 74, kScanPageUp = 75, kScanDelete = 76, kScanEnd = 77, kScanPageDown = 78,
                  kScanRight = 79, kScanLeft = 80, kScanDown = 81, kScanUp = 82, kScanNumLock = 83,
                  kScanKpEnter = 88, kScanKp1 = 89, kScanKp9 = 97, kScanKp0 = 98, kScanKpPeriod = 99,
                  kScanApplication = 101, kScanLCtrl = 224, kScanLAlt = 226, kScanLGui = 227, kScanRAlt = 230,
                  kScanRGui = 231;

int32_t nonChar(int32_t scan) {
    return scan | kNonChar;
}

struct KeyRow {
    int32_t scancode, keycode;
    uint16_t modifiers;
    int vk;
    bool system; // kept from the key latch
    const char* what;
};

// Key events of a US layout, their virtual-key codes and whether they are system keys.
const KeyRow kKeyRows[] = {
    {kScanA, 'a', 0, 0x41, false, "a"},
    {kScanA, 'a', kShift, 0x41, false, "Shift+a is still A"},
    {kScanZ, 'z', 0, 0x5A, false, "z"},
    {kScan1, '1', 0, 0x31, false, "1"},
    {kScan0, '0', kShift, 0x30, false, "Shift+0"},
    {kScanReturn, '\r', 0, 13, false, "Enter"},
    {kScanKpEnter, nonChar(kScanKpEnter), 0, 13, false, "keypad Enter"},
    {kScanTab, '\t', 0, 9, false, "Tab"},
    {kScanEscape, 27, 0, 27, false, "Escape"},
    {kScanDelete, 127, 0, 46, false, "Delete"},
    {kScanSpace, ' ', 0, 32, false, "Space"},
    {kScanBackspace, '\b', 0, 8, false, "Backspace"},
    {kScanLeft, nonChar(kScanLeft), 0, 37, false, "Left"},
    {kScanUp, nonChar(kScanUp), 0, 38, false, "Up"},
    {kScanRight, nonChar(kScanRight), 0, 39, false, "Right"},
    {kScanDown, nonChar(kScanDown), 0, 40, false, "Down"},
    {kScanInsert, nonChar(kScanInsert), 0, 45, false, "Insert"},
    {kScanHome, nonChar(kScanHome), 0, 36, false, "Home"},
    {kScanEnd, nonChar(kScanEnd), 0, 35, false, "End"},
    {kScanPageUp, nonChar(kScanPageUp), 0, 33, false, "Page Up"},
    {kScanPageDown, nonChar(kScanPageDown), 0, 34, false, "Page Down"},
    {kScanPause, nonChar(kScanPause), 0, 19, false, "Pause"},
    {kScanCapsLock, nonChar(kScanCapsLock), 0, 20, false, "Caps Lock"},
    {kScanNumLock, nonChar(kScanNumLock), 0, 144, false, "Num Lock"},
    {kScanScrollLock, nonChar(kScanScrollLock), 0, 145, false, "Scroll Lock"},
    {kScanLGui, nonChar(kScanLGui), 0, 91, false, "left Windows key"},
    {kScanRGui, nonChar(kScanRGui), 0, 92, false, "right Windows key"},
    {kScanApplication, nonChar(kScanApplication), 0, 93, false, "application key"},
    {kScanSemicolon, ';', 0, 186, false, ";"},
    {kScanEquals, '=', 0, 187, false, "="},
    {kScanComma, ',', 0, 188, false, ","},
    {kScanMinus, '-', 0, 189, false, "-"},
    {kScanPeriod, '.', 0, 190, false, "."},
    {kScanSlash, '/', 0, 191, false, "/"},
    {kScanGrave, '`', 0, 192, false, "`"},
    {kScanLeftBracket, '[', 0, 219, false, "["},
    {kScanBackslash, '\\', 0, 220, false, "backslash"},
    {kScanRightBracket, ']', 0, 221, false, "]"},
    {kScanApostrophe, '\'', 0, 222, false, "'"},
    {kScanF1, nonChar(kScanF1), 0, 112, false, "F1"},
    {kScanF9, nonChar(kScanF9), 0, 120, false, "F9"},
    {kScanF10, nonChar(kScanF10), 0, 121, true, "F10"},
    {kScanF10, nonChar(kScanF10), kShift, 121, true, "Shift+F10"},
    {kScanF12, nonChar(kScanF12), 0, 123, false, "F12"},
    {kScanLAlt, nonChar(kScanLAlt), kLAlt, 18, true, "left Alt"},
    {kScanRAlt, nonChar(kScanRAlt), kRAlt, 18, true, "right Alt"},
    {kScanX, 'x', kLAlt, 0x58, true, "left Alt+x"},
    {kScanTab, '\t', kRAlt, 9, true, "right Alt+Tab"},
    {kScanX, 'x', kCtrl | kRAlt, 0x58, false, "Ctrl+Alt+x (AltGr on many layouts)"},
    {kScanLCtrl, nonChar(kScanLCtrl), kCtrl, 17, false, "Ctrl"},
    {kScanKp0, nonChar(kScanKp0), kNumLock, 96, false, "keypad 0, NumLock on"},
    {kScanKp1, nonChar(kScanKp1), kNumLock, 97, false, "keypad 1, NumLock on"},
    {kScanKp9, nonChar(kScanKp9), kNumLock, 105, false, "keypad 9, NumLock on"},
    {kScanKpPeriod, nonChar(kScanKpPeriod), kNumLock, 110, false, "keypad decimal, NumLock on"},
    {kScanKp0, nonChar(kScanKp0), 0, 45, false, "keypad 0, NumLock off: Insert"},
    {kScanKp1, nonChar(kScanKp1), 0, 35, false, "keypad 1, NumLock off: End"},
    {kScanKp1 + 1, nonChar(kScanKp1 + 1), 0, 40, false, "keypad 2, NumLock off: Down"},
    {kScanKp1 + 3, nonChar(kScanKp1 + 3), 0, 37, false, "keypad 4, NumLock off: Left"},
    {kScanKp1 + 4, nonChar(kScanKp1 + 4), 0, 12, false, "keypad 5, NumLock off: Clear"},
    {kScanKp1 + 6, nonChar(kScanKp1 + 6), 0, 36, false, "keypad 7, NumLock off: Home"},
    {kScanKp9, nonChar(kScanKp9), 0, 33, false, "keypad 9, NumLock off: Page Up"},
    {kScanKpPeriod, nonChar(kScanKpPeriod), 0, 46, false, "keypad decimal, NumLock off: Delete"},
};

TEST(WindowKeys, EventsMapToVirtualKeyCodes) {
    for (const KeyRow& r : kKeyRows) {
        const int got = win::virtualKeyFromEvent(r.scancode, r.keycode, r.modifiers);
        EXPECT_EQ(got, r.vk) << r.what << ": expected " << r.vk << ", got " << got;
        EXPECT_EQ(win::isSystemKey(got, r.modifiers), r.system)
            << r.what << (r.system ? " is a system key" : " is not a system key");
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

// Key events of the video library take the real path: key-state table and, unless it is a
// system key, the key-down callback.
TEST_F(WindowThread, KeyEventsFillTheKeyStateTableAndReportKeyDowns) {
    for (const KeyRow& r : kKeyRows) {
        win::injectKeyEvent(r.scancode, r.keycode, r.modifiers, true);
        EXPECT_EQ(lastKeyDown.load(), r.system ? 0 : r.vk) << r.what;
        EXPECT_TRUE(platform::keys::isKeyDown(r.vk)) << r.what << ": vk " << r.vk << " not down";
        lastKeyDown.store(0);
        win::injectKeyEvent(r.scancode, r.keycode, r.modifiers, false);
        EXPECT_FALSE(platform::keys::isKeyDown(r.vk))
            << r.what << ": vk " << r.vk << " still down after its key-up";
        EXPECT_EQ(lastKeyDown.load(), 0) << r.what << ": a key-up reported a key-down";
    }
}

TEST_F(WindowThread, InjectedKeysTakeTheSamePath) {
    win::injectKey(0x5A, true);
    EXPECT_TRUE(platform::keys::isKeyDown(0x5A));
    EXPECT_EQ(lastKeyDown.load(), 0x5A);
    win::injectKey(0x5A, false);
    EXPECT_FALSE(platform::keys::isKeyDown(0x5A));
    lastKeyDown.store(0);
    // Alt held makes the next key a system key; with Ctrl held as well it is not one.
    for (const bool ctrl : {false, true}) {
        if (ctrl) win::injectKey(17, true);
        win::injectKey(18, true);
        win::injectKey(0x58, true);
        EXPECT_TRUE(platform::keys::isKeyDown(0x58));
        EXPECT_EQ(lastKeyDown.load(), ctrl ? 0x58 : 0) << (ctrl ? "Ctrl+Alt+X" : "Alt+X");
        for (const int vk : {0x58, 18, 17}) win::injectKey(vk, false);
        lastKeyDown.store(0);
    }
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
