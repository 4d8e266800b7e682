#include "platform/cp932.hpp"
#include "platform/font.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::font::Background;
using platform::font::consoleFont;

constexpr platform::pixels::Colour kPaper = 0x123456, kInk = 0xFFFFFF, kBack = 0x00FF00;

std::string sjis(const char* utf8) {
    return platform::cp932::fromUtf8(utf8);
}

// How many pixels of the bitmap differ from the paper colour.
int countNot(const platform::pixels::Bitmap& bitmap, platform::pixels::Colour paper) {
    int n = 0;
    for (platform::pixels::Colour c : bitmap.pixels) n += c != paper;
    return n;
}

TEST(ConsoleFont, CellIsTheAdvanceOfABlankByTheLineHeight) {
    const platform::font::Font& font = consoleFont();
    ASSERT_TRUE(font.loaded()) << "no Japanese gothic found";
    EXPECT_EQ(font.cellSize().width, 8);
    EXPECT_EQ(font.cellSize().height, 16);
    EXPECT_GT(font.ascent(), 8);
    EXPECT_LE(font.ascent(), 16);
}

TEST(ConsoleFont, ExtentCountsCharactersNotBytes) {
    struct Row {
        std::string text;
        int32_t expected;
        const char* what;
    } rows[] = {
        {"", 0, "empty"},
        {" ", 8, "blank"},
        {"AB", 16, "two letters"},
        {sjis("あ"), 16, "one double-byte character"},
        {sjis("あA"), 24, "double-byte then a letter"},
        {sjis("ｱ"), 8, "half-width katakana is one byte, one cell"},
        {"\r", 8, "a control byte takes one cell"},
        {"\xFF", 8, "an invalid byte takes one cell"},
        {"\x81", 8, "a lead byte at the end takes one cell"},
        {"\x81\x20", 16, "a lead byte with a bad trail byte is one character of two cells"},
    };
    for (const Row& r : rows) EXPECT_EQ(consoleFont().extent(r.text), r.expected) << r.what;
}

// Opaque fills exactly the character's box and keeps the ink of the transparent drawing.
TEST(ConsoleFont, OpaqueFillsTheCellBoxTransparentKeepsThePaper) {
    for (const std::string& ch : {std::string("A"), sjis("あ"), std::string("\xFF")}) {
        const int32_t advance = consoleFont().extent(ch);
        platform::pixels::Bitmap opaque(40, 24, kPaper), clear(40, 24, kPaper);
        EXPECT_EQ(consoleFont().drawChar(opaque, 3, 2, ch, kInk, Background::Opaque, kBack), advance);
        consoleFont().drawChar(clear, 3, 2, ch, kInk, Background::Transparent, kBack);
        int ink = 0;
        for (int32_t y = 0; y < 24; ++y) {
            for (int32_t x = 0; x < 40; ++x) {
                const bool inBox = x >= 3 && x < 3 + advance && y >= 2 && y < 18;
                const platform::pixels::Colour o = opaque.at(x, y), c = clear.at(x, y);
                if (!inBox) {
                    ASSERT_EQ(o, kPaper) << "opaque drew outside its box at " << x << "," << y;
                    ASSERT_EQ(c, kPaper) << "transparent drew outside the box at " << x << "," << y;
                    continue;
                }
                ASSERT_TRUE(o == kInk || o == kBack) << "not crisp at " << x << "," << y;
                ASSERT_EQ(o == kInk, c == kInk) << "ink differs between modes at " << x << "," << y;
                ASSERT_TRUE(c == kInk || c == kPaper) << "transparent touched paper at " << x << "," << y;
                ink += o == kInk;
            }
        }
        EXPECT_GT(ink, 4) << "character drew (almost) nothing";
        EXPECT_LT(ink, advance * 16 / 2) << "character is mostly ink";
        if (HasFailure()) testing_support::dumpImage(opaque, "font_opaque");
    }
}

TEST(ConsoleFont, DoubleByteCharacterInksBothCells) {
    platform::pixels::Bitmap b(16, 16, 0);
    consoleFont().drawChar(b, 0, 0, sjis("漢"), kInk, Background::Transparent, 0);
    int left = 0, right = 0;
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) (x < 8 ? left : right) += b.at(x, y) == kInk;
    EXPECT_GT(left, 5);
    EXPECT_GT(right, 5);
}

TEST(ConsoleFont, ControlBytesDrawOnlyTheirBackground) {
    for (const char* ch : {"\r", "\n", "\x01"}) {
        platform::pixels::Bitmap b(8, 16, kPaper);
        consoleFont().drawChar(b, 0, 0, ch, kInk, Background::Transparent, kBack);
        EXPECT_EQ(countNot(b, kPaper), 0) << "byte " << int(ch[0]) << " drew ink";
        consoleFont().drawChar(b, 0, 0, ch, kInk, Background::Opaque, kBack);
        EXPECT_EQ(countNot(b, kBack), 0) << "byte " << int(ch[0]) << " did not fill its cell";
    }
}

TEST(ConsoleFont, InvalidBytesDrawAVisibleReplacement) {
    // A lone 0xFF and a lead byte with a bad trail byte: both show something, and the second is
    // two cells wide, so the text after it stays on the grid.
    platform::pixels::Bitmap one(8, 16, 0), two(16, 16, 0);
    EXPECT_EQ(consoleFont().drawChar(one, 0, 0, "\xFF", kInk, Background::Transparent, 0), 8);
    EXPECT_EQ(consoleFont().drawChar(two, 0, 0, std::string("\x81\x20"), kInk, Background::Transparent, 0),
              16);
    EXPECT_GT(countNot(one, 0), 8);
    int rightHalf = 0;
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 8; x < 16; ++x) rightHalf += two.at(x, y) != 0;
    EXPECT_GT(rightHalf, 4) << "replacement of two bytes is not two cells wide";
}

// Drawing partly outside the target keeps exactly the visible part of the character.
TEST(ConsoleFont, DrawingIsClippedToTheTarget) {
    const std::string ch = sjis("あ");
    platform::pixels::Bitmap whole(16, 16, 0);
    consoleFont().drawChar(whole, 0, 0, ch, kInk, Background::Opaque, kBack);
    struct Row {
        int32_t x, y;
    } rows[] = {{-5, -3}, {7, 9}, {-15, 0}, {0, -15}, {-16, 0}, {20, 20}};
    for (const Row& r : rows) {
        platform::pixels::Bitmap part(10, 12, kPaper);
        consoleFont().drawChar(part, r.x, r.y, ch, kInk, Background::Opaque, kBack);
        for (int32_t y = 0; y < part.height; ++y) {
            for (int32_t x = 0; x < part.width; ++x) {
                const int32_t sx = x - r.x, sy = y - r.y;
                const platform::pixels::Colour expected = whole.contains(sx, sy) ? whole.at(sx, sy) : kPaper;
                ASSERT_EQ(part.at(x, y), expected)
                    << "drawn at " << r.x << "," << r.y << ": pixel " << x << "," << y;
            }
        }
    }
}

} // namespace
