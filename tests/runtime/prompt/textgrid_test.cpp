// The text grid's rules on their own: cursor movement, tabs, line breaks, padding and limits.
#include "runtime/prompt/textgrid.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using prompt::kLastRow;
using prompt::kMaxRowText;
using prompt::kTransparent;
using prompt::TextGrid;

std::string rowText(const TextGrid& g, int32_t r) {
    return std::string(g.row(r).bytes());
}

TEST(TextGrid, CarriageReturnLineFeedStartsTheNextRow) {
    TextGrid g;
    EXPECT_FALSE(g.print("AB\r\nC"));
    EXPECT_EQ(rowText(g, 0), "AB");
    EXPECT_EQ(rowText(g, 1), "C");
    EXPECT_EQ(g.cursor().column, 1);
    EXPECT_EQ(g.cursor().row, 1);
}

TEST(TextGrid, LoneCarriageReturnsAndLineFeedsAreStoredAsBytes) {
    struct Row {
        std::string text, row0, row1;
        int32_t column, row;
    } rows[] = {
        {"A\rB", "A\rB", "", 3, 0},   {"A\nB", "A\nB", "", 3, 0},     {"\n\r", "\n\r", "", 2, 0},
        {"\r\r\nX", "\r", "X", 1, 1}, {"A\n\r\nB", "A\n", "B", 1, 1},
    };
    for (const Row& r : rows) {
        TextGrid g;
        g.print(r.text);
        EXPECT_EQ(rowText(g, 0), r.row0) << "printing " << testing::PrintToString(r.text);
        EXPECT_EQ(rowText(g, 1), r.row1) << "printing " << testing::PrintToString(r.text);
        EXPECT_EQ(g.cursor().column, r.column) << "printing " << testing::PrintToString(r.text);
        EXPECT_EQ(g.cursor().row, r.row) << "printing " << testing::PrintToString(r.text);
    }
}

TEST(TextGrid, TabsPadWithBlanksToTheNextMultipleOfEight) {
    struct Row {
        int32_t from, to;
    } rows[] = {{0, 8}, {3, 8}, {7, 8}, {8, 16}, {9, 16}, {15, 16}, {250, kMaxRowText}};
    for (const Row& r : rows) {
        TextGrid g;
        g.print(std::string(static_cast<size_t>(r.from), 'x') + "\t");
        EXPECT_EQ(g.cursor().column, r.to) << "tab at column " << r.from;
        EXPECT_EQ(rowText(g, 0), std::string(static_cast<size_t>(r.from), 'x') +
                                     std::string(static_cast<size_t>(r.to - r.from), ' '))
            << "tab at column " << r.from;
    }
}

// A tab's blanks keep the colours their positions had; printed bytes take the current colours.
TEST(TextGrid, TabBlanksKeepTheirColoursPrintedBytesTakeTheCurrentOnes) {
    TextGrid g;
    g.locate(4, 0); // positions 0..3 become transparent blanks
    g.locate(0, 0);
    g.print("\t");
    for (int32_t c = 0; c < 4; ++c) EXPECT_EQ(g.row(0).background[static_cast<size_t>(c)], kTransparent);
    g.foreColour = 0x00FF00;
    g.backColour = 0x0000FF;
    g.print("Z");
    EXPECT_EQ(g.row(0).foreground[8], 0x00FF00u);
    EXPECT_EQ(g.row(0).background[8], 0x0000FFu);
}

TEST(TextGrid, LocateClampsToTheGrid) {
    struct Row {
        int32_t column, row, expectedColumn, expectedRow;
    } rows[] = {
        {10, 5, 10, 5},
        {-3, 200, 0, kLastRow},
        {0, -1, 0, 0},
        {kMaxRowText, kLastRow, kMaxRowText, kLastRow},
        {300, 101, kMaxRowText, kLastRow},
        {INT32_MIN, INT32_MIN, 0, 0},
        {INT32_MAX, INT32_MAX, kMaxRowText, kLastRow},
    };
    for (const Row& r : rows) {
        TextGrid g;
        g.locate(r.column, r.row);
        EXPECT_EQ(g.cursor().column, r.expectedColumn) << "locate(" << r.column << ", " << r.row << ")";
        EXPECT_EQ(g.cursor().row, r.expectedRow) << "locate(" << r.column << ", " << r.row << ")";
    }
}

TEST(TextGrid, LocatePadsAShorterRowWithTransparentBlanks) {
    TextGrid g;
    g.locate(0, 5);
    g.print("ab");
    g.locate(10, 5);
    EXPECT_EQ(rowText(g, 5), "ab        ");
    EXPECT_EQ(g.row(5).background[1], 0u) << "printed bytes keep their opaque background";
    for (int32_t c = 2; c < 10; ++c)
        EXPECT_EQ(g.row(5).background[static_cast<size_t>(c)], kTransparent) << "column " << c;
    g.print("X");
    EXPECT_EQ(rowText(g, 5), "ab        X");
    // Moving left of the row's end pads nothing and keeps the text.
    g.locate(1, 5);
    EXPECT_EQ(rowText(g, 5), "ab        X");
}

TEST(TextGrid, TextPastTheRowEndIsClipped) {
    TextGrid g;
    g.print(std::string(300, 'x'));
    EXPECT_EQ(g.row(0).length(), kMaxRowText);
    EXPECT_EQ(g.row(0).text[kMaxRowText], 0) << "the terminator was overwritten";
    EXPECT_EQ(g.cursor().column, kMaxRowText);
    g.print("\t\tyy");
    EXPECT_EQ(g.row(0).length(), kMaxRowText);
    EXPECT_EQ(g.row(1).length(), 0) << "clipped text spilled into the next row";
    g.print("\r\nok");
    EXPECT_EQ(rowText(g, 1), "ok");
}

TEST(TextGrid, LineBreaksPastTheLastRowScrollTheGrid) {
    TextGrid g;
    g.print("top\r\n");
    g.locate(0, kLastRow - 1);
    g.print("A");
    EXPECT_FALSE(g.print("\r\nB"));
    EXPECT_TRUE(g.print("\r\nC\r\nD"));
    EXPECT_EQ(rowText(g, kLastRow), "D");
    EXPECT_EQ(rowText(g, kLastRow - 1), "C");
    EXPECT_EQ(rowText(g, kLastRow - 2), "B");
    EXPECT_EQ(rowText(g, kLastRow - 3), "A");
    EXPECT_EQ(rowText(g, 0), "") << "the top row was not dropped";
    EXPECT_EQ(g.cursor().row, kLastRow);
    EXPECT_EQ(g.cursor().column, 1);
}

TEST(TextGrid, ClearEmptiesTheTextKeepsTheColours) {
    TextGrid g;
    g.foreColour = 0x123456;
    g.print("abc\r\ndef");
    g.clearText();
    for (int32_t r = 0; r <= kLastRow; ++r) ASSERT_EQ(g.row(r).length(), 0) << "row " << r;
    EXPECT_EQ(g.row(0).text[2], 0) << "bytes past the first were kept";
    EXPECT_EQ(g.row(1).foreground[2], 0x123456u);
    EXPECT_EQ(g.cursor().column, 0);
    EXPECT_EQ(g.cursor().row, 0);
}

TEST(TextGrid, ScrollingMovesEveryRowUpAndEmptiesTheLast) {
    TextGrid g;
    for (int32_t r = 0; r <= kLastRow; ++r) {
        g.locate(0, r);
        g.print(std::to_string(r));
    }
    g.scrollUp();
    for (int32_t r = 0; r < kLastRow; ++r) ASSERT_EQ(rowText(g, r), std::to_string(r + 1)) << "row " << r;
    EXPECT_EQ(rowText(g, kLastRow), "");
    EXPECT_EQ(g.row(kLastRow).foreground[0], 0u);
}

} // namespace
