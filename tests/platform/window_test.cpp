// The window thread under the dummy video driver: settings, key events, game controllers, the
// fullscreen view and the close path.
#include "platform/cp932.hpp"
#include "platform/keys.hpp"
#include "platform/system.hpp"
#include "platform/window_hooks.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

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
                  kScanKpMinus = 86, kScanKpPlus = 87, kScanKpEnter = 88, kScanKp1 = 89, kScanKp9 = 97,
                  kScanKp0 = 98, kScanKpPeriod = 99, kScanApplication = 101, kScanLCtrl = 224,
                  kScanLAlt = 226, kScanLGui = 227, kScanRAlt = 230, kScanRGui = 231;

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

// The program's picture: every pixel its own colour, none black.
uint32_t patternAt(int32_t x, int32_t y) {
    return static_cast<uint32_t>(1 + x + (y << 12));
}

// A part of the picture a test changes (its pixels with their top bits set), and the part the
// window is told changed at its next present; without one, all of it.
std::mutex changeMutex;
win::Area tinted{};                // guarded by changeMutex
std::optional<win::Area> changing; // guarded by changeMutex
constexpr uint32_t kTint = 0x00800000;

uint32_t pictureAt(int32_t x, int32_t y) {
    std::lock_guard lock(changeMutex);
    const bool in = x >= tinted.x0 && x < tinted.x1 && y >= tinted.y0 && y < tinted.y1;
    return patternAt(x, y) | (in ? kTint : 0);
}

class WindowThread : public testing::Test {
  protected:
    static std::atomic<int> lastKeyDown;
    static std::atomic<int> paints;
    static std::atomic<int> createdWidth;
    static std::atomic<int32_t> widestPaint; // the widest client size a paint was asked for
    static std::atomic<int> closeRequests;
    static std::mutex pointerMutex;
    static std::vector<win::PointerEvent> pointerEvents; // guarded by pointerMutex

    void SetUp() override {
        win::start({[](int32_t, int32_t, int32_t w, int32_t) { createdWidth.store(w); },
                    [](int32_t w, int32_t) {
                        // As the program's drawing does, the paint asks for a present.
                        win::requestPresent();
                        paints.fetch_add(1);
                        int32_t widest = widestPaint.load();
                        while (w > widest && !widestPaint.compare_exchange_weak(widest, w)) {
                        }
                    },
                    [](int vk) { lastKeyDown.store(vk); }, [] { closeRequests.fetch_add(1); },
                    [](const win::PointerEvent& e) {
                        std::lock_guard lock(pointerMutex);
                        pointerEvents.push_back(e);
                    },
                    {},
                    {}},
                   {[](bool all) {
                        std::lock_guard lock(changeMutex);
                        const std::optional<win::Area> change = changing;
                        changing.reset();
                        return change && !all ? *change : win::Area{0, 0, 1 << 20, 1 << 20};
                    },
                    [](uint32_t* destination, int32_t pitch, win::Area a, platform::pixels::Order order) {
                        for (int32_t y = a.y0; y < a.y1; ++y)
                            for (int32_t x = a.x0; x < a.x1; ++x) {
                                const uint32_t c = pictureAt(x, y);
                                platform::pixels::copyRow(&destination[(y - a.y0) * pitch + (x - a.x0)], &c,
                                                          1, order);
                            }
                    }});
        // At most a minute, far above what a loaded sanitizer's build takes to open the window.
        const uint32_t start = platform::tickCount();
        while (win::state() == win::State::Starting && platform::tickCount() - start < 60000)
            platform::sleepMs(1);
        ASSERT_EQ(win::state(), win::State::Open)
            << (win::state() == win::State::Starting ? "gave up after 60 s waiting for the window to open"
                                                     : win::failureReason());
        platform::keys::releaseAll();
        lastKeyDown.store(0);
    }
};
std::atomic<int> WindowThread::lastKeyDown{0};
std::atomic<int> WindowThread::paints{0};
std::atomic<int> WindowThread::createdWidth{0};
std::atomic<int32_t> WindowThread::widestPaint{0};
std::atomic<int> WindowThread::closeRequests{0};
std::mutex WindowThread::pointerMutex;
std::vector<win::PointerEvent> WindowThread::pointerEvents;

// A program that takes close requests hears each once: a click on the close button comes as a
// window close and a quit together, and is one request.
TEST_F(WindowThread, EachCloseRequestReachesTheProgramOnce) {
    const struct {
        const char* what;
        std::function<void()> send;
    } requests[] = {
        {"a window close", [] { win::injectClose(false); }},
        {"a quit", [] { win::injectClose(true); }},
        {"the close button", [] { win::injectCloseButton(); }},
        {"the close button twice", [] { win::injectCloseButton(), win::injectCloseButton(); }},
    };
    for (const auto& r : requests) {
        const int before = closeRequests.load();
        const int expected = std::string(r.what).find("twice") != std::string::npos ? 2 : 1;
        r.send();
        // flush runs after every event queued before it.
        win::flush();
        EXPECT_EQ(closeRequests.load() - before, expected) << r.what;
    }
}

TEST_F(WindowThread, OpensWithTheFirstTitleAndPaints) {
    EXPECT_EQ(win::titleUtf8(), "BASIC PROMPT");
    EXPECT_GT(createdWidth.load(), 0);
    win::flush();
    EXPECT_GE(paints.load(), 1);
}

TEST_F(WindowThread, SettingsReachTheWindow) {
    win::setTitle(platform::cp932::fromUtf8("スクロール背景作成ツール"));
    EXPECT_EQ(win::titleUtf8(), "スクロール背景作成ツール");
    win::setIcons({platform::pixels::Bitmap(32, 32, 0x00FF00)});
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

// A paint is presented once, the present its own drawing asked for included; a present asked for
// on its own is made once.
TEST_F(WindowThread, EachPaintOrRequestPresentsOnce) {
    for (const bool paint : {true, false, true}) {
        win::flush();
        const uint64_t before = win::presentCount();
        if (paint)
            win::requestPaint();
        else
            win::requestPresent();
        win::flush();
        EXPECT_EQ(win::presentCount() - before, 1u) << (paint ? "a paint" : "a present");
    }
}

// Key events of the video library take the real path: key-state table and, unless it is a
// system key, the key-down callback.
TEST_F(WindowThread, KeyEventsFillTheKeyStateTableAndReportKeyDowns) {
    for (const KeyRow& r : kKeyRows) {
        if (r.vk == platform::keys::functionKey(12)) continue; // the window's own: saves a picture
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

// The keys the pads and the keyboard hold together, in the order L U R D X Z (arrows, shot, bomb).
std::string heldGameKeys() {
    std::string held;
    const std::pair<int, char> names[] = {{37, 'L'}, {38, 'U'}, {39, 'R'}, {40, 'D'}, {'X', 'X'}, {'Z', 'Z'}};
    for (const auto& [vk, name] : names)
        if (platform::keys::isKeyDown(vk)) held += name;
    return held;
}

// Two virtual pads through the real controller path: plugging in, d-pad, stick with its dead zone,
// buttons, pads and keyboard holding the same key, and unplugging.
TEST_F(WindowThread, PadsHoldTheGameKeysTogetherWithTheKeyboard) {
    using In = platform::gamepad::Input;
    const int32_t pads[2] = {win::attachVirtualPad(), win::attachVirtualPad()};
    ASSERT_GE(pads[0], 0) << "no virtual pad";
    ASSERT_GE(pads[1], 0) << "no second virtual pad";
    constexpr int kKey = -1, kUnplug = -2;
    constexpr int32_t t = platform::gamepad::kStickThreshold;
    // {pad (0, 1), kKey: keyboard, kUnplug: pad 0 or 1 (in value)}, input or vk, value, held after
    struct Step {
        int pad;
        int input;
        int32_t value;
        const char* held;
    };
    const auto in = [](In i) { return static_cast<int>(i); };
    const Step steps[] = {
        {0, in(In::DpadLeft), 1, "L"},
        {0, in(In::DpadLeft), 0, ""},
        {0, in(In::DpadUp), 1, "U"},
        {0, in(In::DpadUp), 0, ""},
        {0, in(In::DpadRight), 1, "R"},
        {0, in(In::DpadRight), 0, ""},
        {0, in(In::DpadDown), 1, "D"},
        {0, in(In::DpadDown), 0, ""},
        {0, in(In::South), 1, "X"},
        {0, in(In::East), 1, "XZ"},
        {0, in(In::South), 0, "Z"},
        {0, in(In::East), 0, ""},
        // The dead zone's edges on both axes, both ways, and full travel.
        {0, in(In::StickX), t - 1, ""},
        {0, in(In::StickX), t, "R"},
        {0, in(In::StickX), 32767, "R"},
        {0, in(In::StickX), 1 - t, ""},
        {0, in(In::StickX), -t, "L"},
        {0, in(In::StickX), -32768, "L"},
        {0, in(In::StickY), -t, "LU"},
        {0, in(In::StickX), 0, "U"},
        {0, in(In::StickY), 1 - t, ""},
        {0, in(In::StickY), t - 1, ""},
        {0, in(In::StickY), t, "D"},
        {0, in(In::StickY), 0, ""},
        // A key is down while the keyboard or any pad holds it.
        {kKey, 37, 1, "L"},
        {0, in(In::DpadLeft), 1, "L"},
        {0, in(In::DpadLeft), 0, "L"},
        {kKey, 37, 0, ""},
        {0, in(In::StickX), -t, "L"},
        {kKey, 37, 1, "L"},
        {kKey, 37, 0, "L"},
        {1, in(In::DpadLeft), 1, "L"},
        {0, in(In::StickX), 0, "L"},
        {1, in(In::South), 1, "LX"},
        {0, in(In::East), 1, "LXZ"},
        // Unplugging lets go of what the pad held, and of nothing else.
        {kUnplug, 0, 1, "Z"},
        {kUnplug, 0, 0, ""},
    };
    for (const Step& st : steps) {
        const std::string what = "pad " + std::to_string(st.pad) + " input " + std::to_string(st.input) +
                                 " value " + std::to_string(st.value);
        lastKeyDown.store(0);
        if (st.pad == kKey) {
            win::injectKey(st.input, st.value != 0);
            EXPECT_EQ(lastKeyDown.load(), st.value ? st.input : 0) << what;
        } else if (st.pad == kUnplug) {
            win::detachVirtualPad(pads[st.value]);
        } else {
            win::setVirtualPadInput(pads[st.pad], static_cast<In>(st.input), st.value);
        }
        EXPECT_EQ(heldGameKeys(), st.held) << what;
        if (st.pad != kKey) {
            EXPECT_EQ(lastKeyDown.load(), 0) << what << ": a pad reached the key latch";
        }
    }
}

struct PlacementRow {
    int32_t clientWidth, clientHeight, screenWidth, screenHeight;
    win::Placement expected;
};

TEST(FullscreenView, PlacementTable) {
    const PlacementRow rows[] = {
        {640, 490, 1920, 1080, {2, 320, 50}}, {640, 490, 3840, 2160, {4, 640, 100}},
        {640, 490, 1280, 720, {1, 320, 115}}, {640, 480, 640, 480, {1, 0, 0}},
        {800, 480, 1920, 1080, {2, 160, 60}}, {640, 490, 1921, 1081, {2, 320, 50}},
        {641, 490, 1920, 1080, {2, 319, 50}}, {800, 480, 640, 480, {1, -80, 0}},
        {801, 481, 640, 480, {1, -81, -1}},   {0, 490, 1920, 1080, {1, 0, 0}},
    };
    for (const PlacementRow& r : rows) {
        const win::Placement got =
            win::fullscreenPlacement(r.clientWidth, r.clientHeight, r.screenWidth, r.screenHeight);
        EXPECT_TRUE(got.scale == r.expected.scale && got.x == r.expected.x && got.y == r.expected.y)
            << r.clientWidth << "x" << r.clientHeight << " on " << r.screenWidth << "x" << r.screenHeight
            << ": expected scale " << r.expected.scale << " at " << r.expected.x << "," << r.expected.y
            << ", got scale " << got.scale << " at " << got.x << "," << got.y;
    }
}

// A window of any size: the fullscreen rule where the picture fits, else all of it shrunk.
TEST(WindowView, PlacementOfAnyWindowSize) {
    struct Row {
        int32_t clientWidth, clientHeight, windowWidth, windowHeight;
        win::Placement expected;
    };
    const Row rows[] = {
        {640, 490, 640, 490, {1, 0, 0, 640, 490}},      {640, 490, 1500, 1000, {2, 110, 10, 1280, 980}},
        {640, 490, 1279, 979, {1, 319, 244, 640, 490}}, {640, 490, 1920, 1080, {2, 320, 50, 1280, 980}},
        {640, 490, 320, 490, {0, 0, 122, 320, 245}},    {640, 490, 640, 245, {0, 160, 0, 320, 245}},
        {640, 490, 639, 490, {0, 0, 0, 639, 489}},      {640, 490, 1, 1, {0, 0, 0, 1, 1}},
        {640, 490, 2000, 100, {0, 934, 0, 131, 100}},   {800, 480, 400, 1000, {0, 0, 380, 400, 240}},
        {640, 490, 0, 0, {1, -320, -245, 640, 490}},
    };
    for (const Row& r : rows) {
        const win::Placement got =
            win::windowPlacement(r.clientWidth, r.clientHeight, r.windowWidth, r.windowHeight);
        const win::Placement& e = r.expected;
        EXPECT_TRUE(got.scale == e.scale && got.x == e.x && got.y == e.y && got.width == e.width &&
                    got.height == e.height)
            << r.clientWidth << "x" << r.clientHeight << " in " << r.windowWidth << "x" << r.windowHeight
            << ": expected scale " << e.scale << " at " << e.x << "," << e.y << " size " << e.width << "x"
            << e.height << ", got scale " << got.scale << " at " << got.x << "," << got.y << " size "
            << got.width << "x" << got.height;
    }
}

// A point of the view back to the program's pixel: every corner of every block, the pixels just
// off the picture, and the shrunk view's shares.
TEST(WindowView, ViewPointToProgramPixel) {
    struct Row {
        win::Placement placement;
        int32_t viewX, viewY;
        win::ProgramPoint expected;
    };
    const win::Placement at1{1, 0, 0, 640, 490}, at2{2, 110, 10, 1280, 980}, at3{3, 1, 2, 1920, 1470},
        cropped{1, -80, 0, 800, 480}, shrunk{0, 0, 122, 320, 245};
    const Row rows[] = {
        {at1, 0, 0, {0, 0, true}},
        {at1, 639, 489, {639, 489, true}},
        {at1, 640, 0, {640, 0, false}},
        {at2, 110, 10, {0, 0, true}},
        {at2, 111, 11, {0, 0, true}},
        {at2, 112, 12, {1, 1, true}},
        {at2, 109, 9, {-1, -1, false}},
        {at2, 1389, 989, {639, 489, true}},
        {at2, 1390, 990, {640, 490, false}},
        {at3, 3, 4, {0, 0, true}},
        {at3, 4, 5, {1, 1, true}},
        {at3, 0, 1, {-1, -1, false}},
        {cropped, 0, 0, {80, 0, true}},
        {cropped, 639, 479, {719, 479, true}},
        {shrunk, 0, 122, {0, 0, true}},
        {shrunk, 1, 123, {2, 2, true}},
        {shrunk, 319, 366, {638, 488, true}},
        {shrunk, 160, 121, {320, -2, false}},
        {shrunk, 0, 367, {0, 490, false}},
    };
    for (const Row& r : rows) {
        const int32_t cw = r.placement.scale == 1 && r.placement.width == 800 ? 800 : 640;
        const int32_t ch = cw == 800 ? 480 : 490;
        const win::ProgramPoint got = win::programPoint(r.placement, cw, ch, r.viewX, r.viewY);
        EXPECT_TRUE(got.x == r.expected.x && got.y == r.expected.y && got.inside == r.expected.inside)
            << "view " << r.viewX << "," << r.viewY << " under scale " << r.placement.scale << " at "
            << r.placement.x << "," << r.placement.y << ": expected " << r.expected.x << "," << r.expected.y
            << (r.expected.inside ? " inside" : " outside") << ", got " << got.x << "," << got.y
            << (got.inside ? " inside" : " outside");
    }
    // Every pixel of a placed picture maps back to itself from each pixel of its block.
    for (const win::Placement& p :
         {win::windowPlacement(64, 49, 200, 150), win::windowPlacement(64, 49, 64, 49)})
        for (int32_t y = 0; y < 49; ++y)
            for (int32_t x = 0; x < 64; ++x)
                for (int32_t d = 0; d < p.scale; ++d) {
                    const win::ProgramPoint got =
                        win::programPoint(p, 64, 49, p.x + x * p.scale + d, p.y + y * p.scale + d);
                    ASSERT_TRUE(got.inside && got.x == x && got.y == y)
                        << x << "," << y << " at scale " << p.scale;
                }
}

// Alt+Enter shows the program's picture enlarged and centred on black, and again brings the
// window back; the program's client size, pixels, key-state table and key latch never change.
TEST_F(WindowThread, AltEnterTogglesTheFullscreenViewAndBack) {
    win::setClientSize(400, 300);
    win::setPosition(10, 20);
    widestPaint.store(0);
    for (const bool fullscreen : {true, false}) {
        const char* what = fullscreen ? "into the fullscreen view" : "back to the window";
        win::injectKeyEvent(kScanLAlt, nonChar(kScanLAlt), kLAlt, true);
        win::injectKeyEvent(kScanReturn, '\r', kLAlt, true);
        EXPECT_FALSE(platform::keys::isKeyDown(13)) << what << ": Alt+Enter reached the key-state table";
        win::injectKeyEvent(kScanReturn, '\r', kLAlt, false);
        win::injectKeyEvent(kScanLAlt, nonChar(kScanLAlt), 0, false);
        EXPECT_EQ(lastKeyDown.load(), 0) << what << ": a key reached the key latch";

        win::requestPaint(); // the program draws at its own size, and the view shows it
        win::flush();
        const win::Geometry g = win::geometry();
        EXPECT_EQ(g.fullscreen, fullscreen) << what;
        EXPECT_TRUE(g.x == 10 && g.y == 20 && g.clientWidth == 400 && g.clientHeight == 300)
            << what << ": the window is " << g.clientWidth << "x" << g.clientHeight << " at " << g.x << ","
            << g.y;
        const platform::pixels::Bitmap own = win::presentedPixels();
        ASSERT_TRUE(own.width == 400 && own.height == 300) << what;
        EXPECT_TRUE(own.at(0, 0) == patternAt(0, 0) && own.at(399, 299) == patternAt(399, 299)) << what;

        const platform::pixels::Bitmap shown = win::shownPixels();
        const win::Placement p = win::fullscreenPlacement(400, 300, shown.width, shown.height);
        if (fullscreen) {
            ASSERT_GE(p.scale, 2) << "the dummy screen is " << shown.width << "x" << shown.height;
        } else {
            ASSERT_TRUE(shown.width == 400 && shown.height == 300);
        }
        int wrong = 0;
        for (int32_t y = 0; y < shown.height; ++y)
            for (int32_t x = 0; x < shown.width; ++x) {
                const int32_t px = x - p.x, py = y - p.y;
                const bool inside = px >= 0 && py >= 0 && px < 400 * p.scale && py < 300 * p.scale;
                const uint32_t want = inside ? patternAt(px / p.scale, py / p.scale) : 0;
                if (shown.at(x, y) != want && ++wrong <= 3)
                    ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << shown.at(x, y)
                                  << ", expected " << want;
            }
    }
    EXPECT_EQ(widestPaint.load(), 400) << "the program was asked to paint another client size";
}

// The scale a window starts at: the desktop's (Xft.dpi, else GDK_SCALE), lowered to what fits the
// work area, unless given by hand. The game is 640 x 490.
TEST(WindowScale, ChoiceTable) {
    struct Row {
        std::optional<double> dpi;
        const char* gdkScale;
        int32_t workWidth, workHeight, byHand; // byHand: --scale, 0 when not given
        int32_t expected;
        const char* what;
    };
    const Row rows[] = {
        {192, nullptr, 3840, 2160, 0, 2, "4K at 192 dpi"},
        {192, nullptr, 3840, 2100, 0, 2, "4K at 192 dpi below a panel"},
        {96, nullptr, 1920, 1080, 0, 1, "96 dpi"},
        {144, nullptr, 3840, 2160, 0, 1, "150 % rounds down"},
        {191.9, nullptr, 3840, 2160, 0, 1, "just under 200 %"},
        {288, nullptr, 3840, 2160, 0, 3, "300 %"},
        {72, nullptr, 1920, 1080, 0, 1, "under 96 dpi is still 1"},
        {96, "2", 3840, 2160, 0, 1, "Xft.dpi wins over GDK_SCALE"},
        {std::nullopt, "2", 3840, 2160, 0, 2, "GDK_SCALE without Xft.dpi"},
        {std::nullopt, "4", 3840, 2160, 0, 4, "GDK_SCALE 4 fits a 4K screen"},
        {std::nullopt, "3", 1920, 1080, 0, 2, "GDK_SCALE 3 does not fit 1080 lines"},
        {std::nullopt, "x", 3840, 2160, 0, 1, "GDK_SCALE not a number"},
        {std::nullopt, "2x", 3840, 2160, 0, 1, "GDK_SCALE with trailing text"},
        {std::nullopt, "0", 3840, 2160, 0, 1, "GDK_SCALE 0"},
        {std::nullopt, "-2", 3840, 2160, 0, 1, "GDK_SCALE negative"},
        {std::nullopt, "", 3840, 2160, 0, 1, "GDK_SCALE empty"},
        {std::nullopt, nullptr, 3840, 2160, 0, 1, "nothing set"},
        {960, nullptr, 30000, 30000, 0, 8, "at most 8"},
        {192, nullptr, 1366, 768, 0, 1, "200 % on a small screen"},
        {192, nullptr, 1280, 980, 0, 2, "exactly the room"},
        {192, nullptr, 1279, 980, 0, 1, "one column short"},
        {192, nullptr, 1280, 979, 0, 1, "one line short"},
        {288, nullptr, 0, 0, 0, 3, "work area unknown"},
        {192, nullptr, 3840, 2160, 1, 1, "--scale 1 on a scaled desktop"},
        {std::nullopt, nullptr, 1920, 1080, 3, 3, "--scale 3 is taken even where it does not fit"},
    };
    for (const Row& r : rows) {
        const int32_t wanted = r.byHand > 0 ? r.byHand : win::desktopScale(r.dpi, r.gdkScale);
        const int32_t got =
            r.byHand > 0 ? wanted : win::fittingScale(wanted, 640, 490, r.workWidth, r.workHeight);
        EXPECT_EQ(got, r.expected) << r.what;
    }
}

TEST(WindowScale, XftDpiIsReadFromTheResourceDatabase) {
    const std::pair<const char*, std::optional<double>> rows[] = {
        {"Xft.dpi:\t192\n", 192},
        {"Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 144},
        {"Xft.dpi: 96", 96},
        {"  Xft.dpi  :  120.5  \r\n", 120.5},
        {"Xft.dpi:\t96\nXft.dpi:\t192\n", 192},
        {"Xcursor.size:\t48\n", std::nullopt},
        {"Xft.dpix:\t192\n", std::nullopt},
        {"*.dpi:\t192\n", std::nullopt},
        {"Xft.dpi:\tlarge\n", std::nullopt},
        {"Xft.dpi:\t0\n", std::nullopt},
        {"Xft.dpi:\t-96\n", std::nullopt},
        {"Xft.dpi:\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : rows) EXPECT_EQ(win::xftDpiFromResources(text), expected) << text;
}

// Alt+Plus and Alt+Minus step the window's scale (as far as the dummy display's 1024 x 768 allows
// for 400 x 300); the program keeps its size and pixels, and hears none of the keys. Alt+Enter
// comes back from the fullscreen view at the scale it left.
TEST_F(WindowThread, AltPlusAndAltMinusStepTheScale) {
    win::setClientSize(400, 300);
    widestPaint.store(0);
    struct Step {
        int32_t scancode, keycode;
        int32_t scale; // after the key
        bool fullscreen;
        const char* what;
    };
    const Step steps[] = {
        {kScanEquals, '=', 2, false, "Alt+="},
        {kScanEquals, '=', 2, false, "Alt+= again: 3 does not fit"},
        {kScanReturn, '\r', 2, true, "Alt+Enter into the fullscreen view"},
        {kScanMinus, '-', 2, true, "Alt+- in the fullscreen view changes nothing"},
        {kScanReturn, '\r', 2, false, "Alt+Enter back at scale 2"},
        {kScanKpMinus, nonChar(kScanKpMinus), 1, false, "Alt+keypad -"},
        {kScanMinus, '-', 1, false, "Alt+- at 1"},
        {kScanKpPlus, nonChar(kScanKpPlus), 2, false, "Alt+keypad +"},
    };
    for (const Step& st : steps) {
        win::injectKeyEvent(kScanLAlt, nonChar(kScanLAlt), kLAlt, true);
        win::injectKeyEvent(st.scancode, st.keycode, kLAlt, true);
        EXPECT_FALSE(platform::keys::isKeyDown(win::virtualKeyFromEvent(st.scancode, st.keycode, kLAlt)))
            << st.what << ": reached the key-state table";
        win::injectKeyEvent(st.scancode, st.keycode, kLAlt, false);
        win::injectKeyEvent(kScanLAlt, nonChar(kScanLAlt), 0, false);
        EXPECT_EQ(lastKeyDown.load(), 0) << st.what << ": a key reached the key latch";
        win::requestPaint();
        win::flush();

        const win::Geometry g = win::geometry();
        EXPECT_TRUE(g.scale == st.scale && g.fullscreen == st.fullscreen)
            << st.what << ": scale " << g.scale << (g.fullscreen ? ", fullscreen" : "");
        EXPECT_TRUE(g.clientWidth == 400 && g.clientHeight == 300) << st.what;
        if (!st.fullscreen) {
            EXPECT_TRUE(g.windowWidth == 400 * st.scale && g.windowHeight == 300 * st.scale)
                << st.what << ": the window is " << g.windowWidth << "x" << g.windowHeight;
            const platform::pixels::Bitmap shown = win::shownPixels();
            int wrong = 0;
            for (int32_t y = 0; y < shown.height; ++y)
                for (int32_t x = 0; x < shown.width; ++x)
                    if (shown.at(x, y) != patternAt(x / st.scale, y / st.scale) && ++wrong <= 3)
                        ADD_FAILURE() << st.what << ": pixel " << x << "," << y << " is not in its block";
        }
        const platform::pixels::Bitmap own = win::presentedPixels();
        ASSERT_TRUE(own.width == 400 && own.height == 300) << st.what;
        EXPECT_TRUE(own.at(0, 0) == patternAt(0, 0) && own.at(399, 299) == patternAt(399, 299)) << st.what;
    }
    EXPECT_EQ(widestPaint.load(), 400) << "the program was asked to paint another client size";
}

// A window sized from outside (a tiling desktop, the user) shows the program's own 400 x 300 as
// windowPlacement places it: exact blocks centred on black, or all of it shrunk to fit. The
// program keeps its size; only a window it made resizable itself gives it the new size.
TEST_F(WindowThread, AWindowOfAnySizeShowsTheProgramsPictureCentred) {
    win::setClientSize(400, 300);
    widestPaint.store(0);
    struct Row {
        int32_t width, height;
        win::Placement expected;
    };
    const Row rows[] = {
        {1000, 700, {2, 100, 50, 800, 600}}, {1203, 601, {2, 201, 0, 800, 600}},
        {400, 300, {1, 0, 0, 400, 300}},     {799, 599, {1, 199, 149, 400, 300}},
        {300, 300, {0, 0, 37, 300, 225}},    {400, 100, {0, 133, 0, 133, 100}},
    };
    for (const Row& r : rows) {
        const std::string what = std::to_string(r.width) + "x" + std::to_string(r.height);
        win::resizeFromOutside(r.width, r.height);
        const win::Geometry g = win::geometry();
        EXPECT_TRUE(g.windowWidth == r.width && g.windowHeight == r.height && g.clientWidth == 400 &&
                    g.clientHeight == 300)
            << what << ": window " << g.windowWidth << "x" << g.windowHeight << ", client " << g.clientWidth
            << "x" << g.clientHeight;
        const win::Placement& p = r.expected;
        // Every pixel of the view: black around the picture, inside it the program's pixel a
        // pointer there would read (each block's own, or the share a shrunk view begins in).
        const auto check = [&](const std::string& when) {
            const platform::pixels::Bitmap shown = win::shownPixels();
            if (shown.width != r.width || shown.height != r.height) {
                ADD_FAILURE() << what << when << ": the view is " << shown.width << "x" << shown.height;
                return shown;
            }
            int wrong = 0;
            for (int32_t y = 0; y < shown.height; ++y)
                for (int32_t x = 0; x < shown.width; ++x) {
                    const bool inside = x >= p.x && y >= p.y && x < p.x + p.width && y < p.y + p.height;
                    const win::ProgramPoint at = win::programPoint(p, 400, 300, x, y);
                    const uint32_t c = shown.at(x, y), expected = inside ? pictureAt(at.x, at.y) : 0;
                    if (c != expected && ++wrong <= 3)
                        ADD_FAILURE() << what << when << ": pixel " << x << "," << y << " is " << c
                                      << (inside ? " inside" : " outside") << " the picture, not " << expected;
                }
            return shown;
        };
        const platform::pixels::Bitmap shown = check("");
        // A part changed, and only it presented: the view shows it, and keeps the rest.
        for (const bool on : {true, false}) {
            {
                std::lock_guard lock(changeMutex);
                tinted = on ? win::Area{37, 41, 101, 77} : win::Area{};
                changing = win::Area{37, 41, 101, 77};
            }
            win::presentTimed();
            check(on ? " with a part changed" : " with the part changed back");
        }
        if (p.scale == 0) {
            // All of it: each corner shows a pixel of the picture's share in that corner.
            const int32_t shareX = (400 + p.width - 1) / p.width, shareY = (300 + p.height - 1) / p.height;
            for (const auto [vx, vy, cx, cy] :
                 {std::array{p.x, p.y, 0, 0}, std::array{p.x + p.width - 1, p.y + p.height - 1, 399, 299}}) {
                const uint32_t c = shown.at(vx, vy) - 1;
                const int32_t px = static_cast<int32_t>(c & 0xFFF), py = static_cast<int32_t>(c >> 12);
                EXPECT_TRUE(std::abs(px - cx) < shareX && std::abs(py - cy) < shareY)
                    << what << ": the corner at " << vx << "," << vy << " shows pixel " << px << "," << py;
            }
        }
    }
    EXPECT_EQ(widestPaint.load(), 400) << "the program was asked to paint another client size";

    // Made resizable by the program, the window gives it the size the scale fills.
    win::setResizable(true);
    win::resizeFromOutside(500, 320);
    const win::Geometry g = win::geometry();
    EXPECT_TRUE(g.clientWidth == 500 && g.clientHeight == 320)
        << "resizable: client " << g.clientWidth << "x" << g.clientHeight;
    EXPECT_EQ(widestPaint.load(), 500);
    win::setResizable(false);
    win::setClientSize(400, 300);
    EXPECT_EQ(win::geometry().windowWidth, 400) << "the program's own size brings the window back to it";
}

// Presses, drags, releases and the wheel reach the program at its own pixels, in order, at the
// window's scales and in the fullscreen view; a pointer moving with no button held is not told.
TEST_F(WindowThread, PointerEventsReachTheProgramAtItsOwnPixels) {
    using K = win::PointerEvent::Kind;
    win::setClientSize(400, 300);
    const auto alt = [](int32_t scancode, int32_t keycode) {
        win::injectKeyEvent(kScanLAlt, nonChar(kScanLAlt), kLAlt, true);
        for (const bool down : {true, false}) win::injectKeyEvent(scancode, keycode, kLAlt, down);
        win::injectKeyEvent(kScanLAlt, nonChar(kScanLAlt), 0, false);
    };
    const auto describe = [](const win::PointerEvent& e) {
        const char* kinds[] = {"press", "move", "release", "wheel"};
        return std::string(kinds[static_cast<int>(e.kind)]) + " " + std::to_string(e.button + e.wheel) +
               " held " + std::to_string(e.held) + " at " + std::to_string(e.x) + "," + std::to_string(e.y);
    };
    for (const int32_t view : {1, 2, 0}) { // scales 1 and 2, then the fullscreen view
        if (view == 2) alt(kScanEquals, '=');
        if (view == 0) alt(kScanReturn, '\r');
        win::flush();
        const win::Geometry g = win::geometry();
        ASSERT_TRUE(view == 0 ? g.fullscreen : !g.fullscreen && g.scale == view) << "view " << view;
        const win::Placement p = view == 0 ? win::fullscreenPlacement(400, 300, g.windowWidth, g.windowHeight)
                                           : win::Placement{g.scale, 0, 0, 400 * g.scale, 300 * g.scale};
        {
            std::lock_guard lock(pointerMutex);
            pointerEvents.clear();
        }
        const int32_t s = p.scale;
        win::injectPointer(K::Move, 0, p.x, p.y);                        // no button held: not told
        win::injectPointer(K::Press, 1, p.x + 11 * s - 1, p.y + 20 * s); // the last point of (10, 20)
        win::injectPointer(K::Move, 0, p.x + 399 * s, p.y + 299 * s);
        win::injectPointer(K::Release, 1, p.x - 1, p.y - 1); // off the picture
        win::injectPointer(K::Release, 1, p.x, p.y);         // never pressed: nothing
        win::injectPointer(K::Wheel, 0, p.x + 50 * s, p.y + 60 * s, -2);
        win::injectPointer(K::Press, 3, p.x, p.y);
        std::vector<std::string> got;
        {
            std::lock_guard lock(pointerMutex);
            for (const win::PointerEvent& e : pointerEvents) got.push_back(describe(e));
        }
        EXPECT_EQ(got, (std::vector<std::string>{"press 1 held 1 at 10,20", "move 0 held 1 at 399,299",
                                                 "release 1 held 0 at -1,-1", "wheel -2 held 0 at 50,60",
                                                 "press 3 held 4 at 0,0"}))
            << "view " << view << " (scale " << p.scale << " at " << p.x << "," << p.y << ")";
        win::injectPointer(K::Release, 3, p.x, p.y);
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
