#include "runtime/picture/line.hpp"
#include "tests/runtime/picture/canvas_fixture.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using pixel_art::art;
using pixel_art::sameImage;

TEST(ColourNumber, EightColoursAndBlackForAnythingElse) {
    struct Row {
        int32_t number;
        platform::pixels::Colour expected;
    } rows[] = {{0, 0x000000}, {1, 0xFF0000}, {2, 0x0000FF}, {3, 0xFF00FF},  {4, 0x00FF00},  {5, 0xFFFF00},
                {6, 0x00FFFF}, {7, 0xFFFFFF}, {8, 0x000000}, {-1, 0x000000}, {INT32_MIN, 0}, {255, 0}};
    for (const Row& r : rows)
        EXPECT_EQ(picture::colourNumberToRgb(r.number), r.expected)
            << "colour " << r.number << ": expected " << pixel_art::hex(r.expected) << ", got "
            << pixel_art::hex(picture::colourNumberToRgb(r.number));
}

class DrawLineTest : public CanvasTest {
  protected:
    void SetUp() override {
        CanvasTest::SetUp();
        // The next figure that starts at the last point starts at (0, 0); the grey covers this one.
        picture::drawLine(0, 0, 0, 0, 0, 0, 0, 0);
        // Grey everywhere, so that black figures show.
        paintBack(platform::pixels::Bitmap(kScreenW, kScreenH, 0x808080), 0, 0);
        paintWindow(platform::pixels::Bitmap(kClientW, kClientH, 0x808080), 0, 0);
    }
    // The top-left w x h of the window, which must equal the same part of the back buffer.
    platform::pixels::Bitmap drawn(int32_t w, int32_t h, const std::string& name) {
        const platform::pixels::Bitmap window = crop(windowPixels(), 0, 0, w, h);
        EXPECT_TRUE(sameImage(crop(backPixels(), 0, 0, w, h), window, name + "_back_vs_window"));
        return window;
    }
};

// '-' is the grey background.
std::map<char, platform::pixels::Colour> legend() {
    auto l = pixel_art::defaultLegend();
    l['-'] = 0x808080;
    return l;
}

struct Call {
    int32_t x1, y1, relative, x2, y2, colour, mode, fill;
};

TEST_F(DrawLineTest, FiguresOnTheWindowAndIdenticallyOnTheBackBuffer) {
    struct Row {
        const char* name;
        Call call;
        int32_t returned;
        std::vector<std::string> expected; // 8 x 6
    } rows[] = {
        {"line end included",
         {0, 0, 0, 3, 0, 7, 0, 0},
         0,
         {"WWWW----", "--------", "--------", "--------", "--------", "--------"}},
        {"line backwards",
         {5, 4, 0, 1, 2, 2, 0, 0},
         2,
         {"--------", "--------", "-RR-----", "---RR---", "-----R--", "--------"}},
        {"box outline",
         {1, 1, 0, 4, 3, 6, 1, 0},
         3,
         {"--------", "-YYYY---", "-Y--Y---", "-YYYY---", "--------", "--------"}},
        {"box corners swapped",
         {4, 3, 0, 1, 1, 6, 1, 0},
         3,
         {"--------", "-YYYY---", "-Y--Y---", "-YYYY---", "--------", "--------"}},
        {"filled box",
         {1, 1, 0, 4, 4, 2, 2, 1},
         4,
         {"--------", "-RRRR---", "-RBBR---", "-RBBR---", "-RRRR---", "--------"}},
        {"other mode is outline",
         {0, 0, 0, 2, 2, 7, 9, 1},
         2,
         {"WWW-----", "W-W-----", "WWW-----", "--------", "--------", "--------"}},
        {"relative box",
         {4, 2, 1, 2, 2, 5, 1, 0},
         4,
         {"--------", "--------", "----CCC-", "----C-C-", "----CCC-", "--------"}},
        {"relative line",
         {1, 1, 1, 2, 0, 4, 0, 0},
         1,
         {"--------", "-GGG----", "--------", "--------", "--------", "--------"}},
        {"colour 8 is black",
         {0, 0, 0, 1, 1, 8, 2, -1},
         1,
         {"..------", "..------", "--------", "--------", "--------", "--------"}},
        {"single point box",
         {2, 2, 0, 2, 2, 7, 1, 0},
         2,
         {"--------", "--------", "--W-----", "--------", "--------", "--------"}},
    };
    for (const Row& r : rows) {
        SetUp();
        const Call& c = r.call;
        EXPECT_EQ(picture::drawLine(c.x1, c.y1, c.relative, c.x2, c.y2, c.colour, c.mode, c.fill), r.returned)
            << r.name;
        EXPECT_TRUE(
            sameImage(drawn(8, 6, r.name), art(r.expected, legend()), std::string("draw_line_") + r.name))
            << r.name;
    }
}

TEST_F(DrawLineTest, TheEditorsFiguresOnACell) {
    // A 16 x 16 cell at (X, Y) = (2, 1): black square, red marker, blue marker, then the frames.
    const int32_t X = 2, Y = 1;
    picture::drawLine(X, Y, 0, X + 15, Y + 15, 0, 2, 0);
    picture::drawLine(X + 5, Y + 5, 0, X + 10, Y + 10, 2, 2, 2);
    picture::drawLine(X + 7, Y + 7, 0, X + 8, Y + 8, 1, 2, 1);
    const platform::pixels::Bitmap cell = crop(drawn(20, 18, "editor"), X, Y, 16, 16);
    int black = 0, red = 0, blue = 0;
    for (platform::pixels::Colour c : cell.pixels) {
        black += c == 0;
        red += c == 0x0000FF;
        blue += c == 0xFF0000;
    }
    EXPECT_EQ(black, 256 - 36) << "the square is 16 x 16, less the 6 x 6 marker";
    EXPECT_EQ(red, 36 - 4) << "the marker is 6 x 6, less the 2 x 2 one";
    EXPECT_EQ(blue, 4);
    EXPECT_EQ(cell.at(5, 5), 0x0000FFu);
    EXPECT_EQ(cell.at(10, 10), 0x0000FFu);
    EXPECT_EQ(cell.at(7, 7), 0xFF0000u);
    EXPECT_EQ(cell.at(8, 8), 0xFF0000u);
    // The frames cover exactly the 60 border pixels of the cell.
    picture::drawLine(X, Y, 0, X + 15, Y + 15, 6, 1, 6);
    const platform::pixels::Bitmap framed = crop(drawn(20, 18, "editor_frame"), X, Y, 16, 16);
    int yellow = 0;
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const bool border = x == 0 || y == 0 || x == 15 || y == 15;
            yellow += framed.at(x, y) == 0x00FFFF;
            if (!border) {
                EXPECT_NE(framed.at(x, y), 0x00FFFFu) << x << "," << y;
            }
        }
    EXPECT_EQ(yellow, 60);
    EXPECT_EQ(windowPixels().at(X - 1, Y), 0x808080u) << "nothing outside the cell";
    EXPECT_EQ(windowPixels().at(X + 16, Y), 0x808080u);
    EXPECT_EQ(windowPixels().at(X, Y + 16), 0x808080u);
}

TEST_F(DrawLineTest, SentinelStartsWherePreviousFigureEnded) {
    EXPECT_EQ(picture::drawLine(picture::kLastPoint, picture::kLastPoint, 0, 2, 0, 7, 0, 0), 0);
    EXPECT_EQ(picture::drawLine(picture::kLastPoint, picture::kLastPoint, 0, 2, 3, 2, 0, 0), 3);
    // Only both coordinates together are the sentinel.
    EXPECT_EQ(picture::drawLine(picture::kLastPoint, 5, 0, 7, 5, 4, 0, 0), 5);
    EXPECT_TRUE(
        sameImage(drawn(8, 6, "sentinel"),
                  art({"WWR-----", "--R-----", "--R-----", "--R-----", "--------", "GGGGGGGG"}, legend()),
                  "draw_line_sentinel"));
}

TEST_F(DrawLineTest, FarOutsideAndWrappingCoordinatesDrawOnlyWhatIsVisible) {
    EXPECT_EQ(picture::drawLine(INT32_MIN + 1, 0, 0, INT32_MAX, 0, 7, 0, 0), 0);
    EXPECT_EQ(picture::drawLine(1, 2, 1, INT32_MAX, 0, 2, 0, 0), 2); // x2 wraps to INT32_MIN: leftwards
    EXPECT_EQ(picture::drawLine(-5, -5, 0, INT32_MAX, INT32_MAX, 1, 1, 0), INT32_MAX);
    const platform::pixels::Bitmap window = drawn(kClientW, kClientH, "far");
    for (int32_t x = 0; x < kClientW; ++x) EXPECT_EQ(window.at(x, 0), 0xFFFFFFu) << x;
    EXPECT_EQ(window.at(0, 2), 0x0000FFu);
    EXPECT_EQ(window.at(1, 2), 0x0000FFu);
    EXPECT_EQ(window.at(2, 2), 0x808080u);
    EXPECT_EQ(window.at(0, 1), 0x808080u);
}

TEST(DrawLineWithoutWindow, ReturnsY2AndDrawsNothing) {
    EXPECT_EQ(picture::drawLine(1, 2, 0, 3, 4, 7, 0, 0), 4);
}

} // namespace
