// The prompt window's text console under the dummy video driver: what rtPrint, rtLocate, rtCls and
// repaints leave in the client framebuffer, and key input through the latch.
#include "platform/cp932.hpp"
#include "platform/font.hpp"
#include "platform/keys.hpp"
#include "platform/system.hpp"
#include "platform/window_hooks.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/prompt/prompt.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace win = platform::window;
using platform::font::Background;
using platform::font::consoleFont;

constexpr platform::pixels::Colour kRed = 0x0000FF, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0;

class PromptConsole : public testing::Test {
  protected:
    void SetUp() override {
        prompt::promptStart();
        win::setClientSize(640, 490);
        prompt::rtCls(3);
        win::flush();
        prompt::keyLatch.store(0);
        platform::keys::releaseAll();
    }

    static void print(const char* utf8) { prompt::rtPrint(rt::rtStrLiteral(utf8)); }

    static platform::pixels::Bitmap client() {
        prompt::CanvasLock lock;
        return *lock.window();
    }
    static platform::pixels::Bitmap back() {
        prompt::CanvasLock lock;
        return *lock.backBuffer();
    }
    static std::string row(int32_t r) {
        prompt::CanvasLock lock;
        return std::string(lock.textGrid().row(r).bytes());
    }
    static prompt::Cursor cursor() {
        prompt::CanvasLock lock;
        return lock.textGrid().cursor();
    }
    // Fills the graphics layer and waits for the repaint that shows it.
    static void fillBack(platform::pixels::Colour colour) {
        {
            prompt::CanvasLock lock;
            std::fill(lock.backBuffer()->pixels.begin(), lock.backBuffer()->pixels.end(), colour);
        }
        win::requestPaint();
        win::flush();
    }
    // The client area as it should look: the graphics layer with characters drawn at cells.
    static platform::pixels::Bitmap graphics() {
        const platform::pixels::Bitmap c = client(), b = back();
        platform::pixels::Bitmap out(c.width, c.height);
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x) out.at(x, y) = b.at(x, y);
        return out;
    }
    static void drawAt(platform::pixels::Bitmap& b, int32_t column, int32_t rowIndex, const char* utf8) {
        const std::string s = platform::cp932::fromUtf8(utf8);
        for (size_t j = 0; j < s.size();) {
            const size_t n = platform::font::Font::charLength(std::string_view(s).substr(j));
            consoleFont().drawChar(b, (column + static_cast<int32_t>(j)) * 8, rowIndex * 16, s.substr(j, n),
                                   kWhite, Background::Opaque, kBlack);
            j += n;
        }
    }
    static void expectClient(const platform::pixels::Bitmap& expected, const std::string& name) {
        const platform::pixels::Bitmap actual = client();
        ASSERT_EQ(actual.width, expected.width);
        ASSERT_EQ(actual.height, expected.height);
        for (int32_t y = 0; y < actual.height; ++y) {
            for (int32_t x = 0; x < actual.width; ++x) {
                if (actual.at(x, y) != expected.at(x, y)) {
                    ADD_FAILURE() << name << ": pixel " << x << "," << y << " expected " << std::hex
                                  << expected.at(x, y) << ", got " << actual.at(x, y) << "; image in "
                                  << testing_support::dumpImage(actual, name);
                    return;
                }
            }
        }
    }
};

TEST_F(PromptConsole, StartReturnsAfterTheFirstPaintWithTheCellMeasured) {
    EXPECT_EQ(prompt::promptReady.load(), 1);
    EXPECT_EQ(win::state(), win::State::Open);
    EXPECT_EQ(prompt::cellSize().width, 8);
    EXPECT_EQ(prompt::cellSize().height, 16);
    const platform::pixels::Bitmap b = back();
    EXPECT_GE(b.width, 640) << "the back buffer has the screen's size";
    EXPECT_TRUE(std::all_of(b.pixels.begin(), b.pixels.end(), [](platform::pixels::Colour c) {
        return c == 0;
    })) << "the back buffer starts black";
    // The desktop's first title until the program sets its own.
    EXPECT_EQ(win::titleUtf8(), "BASIC PROMPT");
}

TEST_F(PromptConsole, ConfigureSetsTitleFrameAndClientSize) {
    prompt::promptConfigure(platform::cp932::fromUtf8("タイトル名"),
                            {platform::pixels::Bitmap(32, 32, 0x00FFFF)}, 640, 490);
    EXPECT_EQ(win::titleUtf8(), "タイトル名");
    const win::Geometry g = win::geometry();
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    EXPECT_EQ(g.clientWidth, 640);
    EXPECT_EQ(g.clientHeight, 490);
    EXPECT_FALSE(g.resizable);
    EXPECT_EQ(client().width, 640);
    EXPECT_EQ(client().height, 490);
    prompt::promptSetTitle(platform::cp932::fromUtf8("スクロール背景作成ツール"));
    EXPECT_EQ(win::titleUtf8(), "スクロール背景作成ツール");
}

// Text is drawn on the window, white on opaque black at its cells; the graphics stay as they were
// everywhere else and the back buffer never gets the text.
TEST_F(PromptConsole, TextLandsAtItsCellsOverTheGraphics) {
    fillBack(kRed);
    prompt::rtLocate(3, 2);
    print("A");
    print("b\r\nC");
    platform::pixels::Bitmap expected = graphics();
    drawAt(expected, 3, 2, "Ab");
    drawAt(expected, 0, 3, "C");
    expectClient(expected, "text_cells");
    EXPECT_EQ(row(2), "   Ab");
    const platform::pixels::Bitmap b = back();
    EXPECT_TRUE(std::all_of(b.pixels.begin(), b.pixels.end(), [](platform::pixels::Colour c) {
        return c == kRed;
    })) << "text reached the back buffer";
}

TEST_F(PromptConsole, PrintLeavesTheCursorAfterTheText) {
    print("AB\r\nC");
    EXPECT_EQ(row(0), "AB");
    EXPECT_EQ(row(1), "C");
    EXPECT_EQ(cursor().column, 1);
    EXPECT_EQ(cursor().row, 1);
}

TEST_F(PromptConsole, LocatePaddingIsTransparentOnScreen) {
    fillBack(kBlue);
    prompt::rtLocate(10, 5);
    EXPECT_EQ(row(5), std::string(10, ' '));
    print("X");
    platform::pixels::Bitmap expected = graphics();
    drawAt(expected, 10, 5, "X");
    expectClient(expected, "locate_padding");
    prompt::rtLocate(-3, 200);
    EXPECT_EQ(cursor().column, 0);
    EXPECT_EQ(cursor().row, 100);
}

TEST_F(PromptConsole, DoubleByteCharacterTakesTwoCells) {
    print("あA漢");
    EXPECT_EQ(row(0).size(), 5u);
    EXPECT_EQ(cursor().column, 5);
    platform::pixels::Bitmap expected = graphics();
    drawAt(expected, 0, 0, "あ");
    drawAt(expected, 2, 0, "A");
    drawAt(expected, 3, 0, "漢");
    expectClient(expected, "double_byte");
}

// With room for three rows, the fourth line scrolls the text (not the graphics) up one row and
// every row is drawn again: what a longer earlier text left right of a row is wiped.
TEST_F(PromptConsole, PrintingPastTheClientBottomScrollsTheText) {
    win::setClientSize(640, 48);
    fillBack(kRed);
    print("LONGLONGLONG\r\n");
    print("S\r\n");
    EXPECT_EQ(cursor().row, 2);
    print("T\r\n");
    EXPECT_EQ(cursor().row, 2);
    EXPECT_EQ(row(0), "S");
    EXPECT_EQ(row(1), "T");
    EXPECT_EQ(row(2), "");
    platform::pixels::Bitmap expected = graphics();
    drawAt(expected, 0, 0, "S");
    drawAt(expected, 0, 1, "T");
    expectClient(expected, "scrolled");
}

TEST_F(PromptConsole, RepaintDrawsTheGraphicsThenEveryRowAndSetsReady) {
    print("one\r\ntwo");
    {
        // Drawn on the window only: a repaint replaces it with the back buffer.
        prompt::CanvasLock lock;
        std::fill(lock.window()->pixels.begin(), lock.window()->pixels.end(), 0x00FF00);
        std::fill(lock.backBuffer()->pixels.begin(), lock.backBuffer()->pixels.end(), kBlue);
    }
    prompt::promptReady.store(0);
    win::requestPaint();
    win::flush();
    EXPECT_EQ(prompt::promptReady.load(), 1);
    platform::pixels::Bitmap expected = graphics();
    drawAt(expected, 0, 0, "one");
    drawAt(expected, 0, 1, "two");
    expectClient(expected, "repaint");
}

TEST_F(PromptConsole, ClsModesClearTextGraphicsOrNeitherAndAlwaysRepaint) {
    struct Row {
        int32_t mode;
        bool textCleared, graphicsCleared;
    } rows[] = {{0, true, false}, {1, true, false},  {2, false, true},
                {3, true, true},  {4, false, false}, {-1, false, false}};
    for (const Row& r : rows) {
        prompt::rtCls(3);
        fillBack(kRed);
        prompt::rtLocate(0, 1);
        print("Hi");
        {
            prompt::CanvasLock lock;
            lock.window()->at(300, 300) = 0x00FF00; // only a repaint removes it
        }
        prompt::rtCls(r.mode);
        win::flush();
        const std::string what = "rtCls(" + std::to_string(r.mode) + ")";
        EXPECT_EQ(row(1), r.textCleared ? "" : "Hi") << what;
        EXPECT_EQ(cursor().row, r.textCleared ? 0 : 1) << what;
        EXPECT_EQ(back().at(300, 300), r.graphicsCleared ? kBlack : kRed) << what;
        platform::pixels::Bitmap expected = graphics();
        if (!r.textCleared) drawAt(expected, 0, 1, "Hi");
        expectClient(expected, "cls_mode_" + std::to_string(r.mode));
    }
}

TEST_F(PromptConsole, TwoKeysBeforeInputKeysGiveTheSecond) {
    win::injectKey('A', true);
    win::injectKey('B', true);
    rt::RtString s = prompt::rtInputKeys(1);
    EXPECT_EQ(std::string(s), "B");
    rt::rtStrFree(s);
    EXPECT_EQ(prompt::keyLatch.load(), 0) << "the latch is emptied when the key is taken";
    EXPECT_TRUE(platform::keys::isKeyDown('A'));
    win::injectKey('A', false);
    EXPECT_FALSE(platform::keys::isKeyDown('A'));
}

TEST_F(PromptConsole, InputKeysOfZeroOrLessReturnsAtOnce) {
    win::injectKey(27, true);
    for (int32_t n : {0, -5}) {
        rt::RtString s = prompt::rtInputKeys(n);
        EXPECT_EQ(rt::rtStrLen(s), 0) << "rtInputKeys(" << n << ")";
        rt::rtStrFree(s);
    }
    EXPECT_EQ(prompt::keyLatch.load(), 27) << "the waiting key was taken";
}

// Keys arriving one by one while the program waits: each is taken once, in order.
TEST_F(PromptConsole, InputKeysCollectsKeysAsTheyArrive) {
    std::thread typist([] {
        for (int vk : {int{'X'}, 13, 104}) {
            while (prompt::keyLatch.load() != 0) std::this_thread::yield();
            win::injectKey(vk, true);
            win::injectKey(vk, false);
        }
    });
    rt::RtString s = prompt::rtInputKeys(3);
    typist.join();
    EXPECT_EQ(std::string(s), std::string("X\r\x68"));
    rt::rtStrFree(s);
}

// A press, its drags and its release come in the order they were made, among the keys and
// with the modifiers held; while the program lags, moves waiting one after the other merge, and
// nothing else is lost.
TEST_F(PromptConsole, PointerEventsComeInOrderAmongKeysAndNoneIsLost) {
    using K = win::PointerEvent::Kind;
    using E = prompt::PromptEvent::Kind;
    prompt::promptTakePointerEvents();
    const int32_t scale = win::geometry().scale;
    const auto point = [scale](int32_t v) { return v * scale; };
    win::injectKey(16, true); // Shift: in the latch until A takes its place, as keys do
    win::injectPointer(K::Press, 1, point(10), point(20));
    win::injectKey(16, false);
    win::injectPointer(K::Move, 0, point(11), point(20));
    win::injectKey('A', true);
    win::injectKey('A', false);
    for (int32_t x = 12; x <= 111; ++x) win::injectPointer(K::Move, 0, point(x), point(20));
    win::injectPointer(K::Release, 1, point(111), point(20));
    win::injectPointer(K::Wheel, 0, point(5), point(5), 1);

    std::vector<prompt::PromptEvent> got;
    for (prompt::PromptEvent e = prompt::promptWaitEvent(0); e.kind != E::None;
         e = prompt::promptWaitEvent(0))
        got.push_back(e);
    ASSERT_GE(got.size(), 6u);
    EXPECT_TRUE(got[0].kind == E::PointerDown && got[0].button == 1 && got[0].x == 10 && got[0].y == 20);
    EXPECT_EQ(got[0].modifiers, platform::keys::kModifierShift) << "Shift held at the press";
    EXPECT_TRUE(got[1].kind == E::PointerMove && got[1].x == 11 && got[1].modifiers == 0);
    EXPECT_TRUE(got[2].kind == E::Key && got[2].key == 'A') << "the key between the moves it came between";
    int32_t lastX = 11;
    size_t i = 3;
    for (; i < got.size() && got[i].kind == E::PointerMove; ++i) {
        EXPECT_GT(got[i].x, lastX) << "moves in order";
        lastX = got[i].x;
    }
    EXPECT_EQ(lastX, 111) << "the last move is never merged away";
    EXPECT_LT(i - 3, 100u) << "the moves that waited were merged";
    ASSERT_EQ(got.size(), i + 2);
    EXPECT_TRUE(got[i].kind == E::PointerUp && got[i].button == 1 && got[i].x == 111);
    EXPECT_TRUE(got[i + 1].kind == E::Wheel && got[i + 1].wheel == 1);
}

// Printing while the window thread repaints over and over: both scroll the same grid under one
// lock, so the text ends exactly as if nothing had interfered.
TEST_F(PromptConsole, PrintingWhileTheWindowRepaintsKeepsTheTextWhole) {
    std::atomic<bool> stop{false};
    std::thread painter([&] {
        while (!stop.load()) {
            win::requestPaint();
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 120; ++i)
        prompt::rtPrint(rt::rtStrFromCString(("line " + std::to_string(i) + "\r\n").c_str()));
    stop.store(true);
    painter.join();
    win::flush();
    // 490 pixels hold 30 whole rows: the cursor stays on row 29 and the rows above hold the last lines.
    EXPECT_EQ(cursor().row, 29);
    for (int32_t r = 0; r < 29; ++r) EXPECT_EQ(row(r), "line " + std::to_string(120 - 29 + r)) << "row " << r;
    platform::pixels::Bitmap expected = graphics();
    for (int32_t r = 0; r < 29; ++r) drawAt(expected, 0, r, ("line " + std::to_string(120 - 29 + r)).c_str());
    expectClient(expected, "print_while_painting");
}

// What the program draws on the window reaches the screen without a repaint, and a repaint shows
// the back buffer and the text.
TEST_F(PromptConsole, TheWindowShowsTheClientFramebuffer) {
    print("shown");
    {
        prompt::CanvasLock lock;
        for (int32_t x = 100; x < 200; ++x) lock.window()->at(x, 300) = kRed;
    }
    win::flush();
    const platform::pixels::Bitmap shown = win::presentedPixels();
    const platform::pixels::Bitmap expected = client();
    ASSERT_EQ(shown.width, expected.width);
    ASSERT_EQ(shown.height, expected.height);
    EXPECT_EQ(shown.at(150, 300), kRed);
    EXPECT_TRUE(shown.pixels == expected.pixels) << "window differs from the client framebuffer; shown: "
                                                 << testing_support::dumpImage(shown, "presented");
}

} // namespace
