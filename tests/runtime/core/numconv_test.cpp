#include "runtime/core/numconv.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

using namespace rt;

std::string take(RtString s) {
    std::string out(rtStrView(s));
    rtStrFree(s);
    return out;
}

TEST(NumToStr, WorkedResultsAndEdgeCases) {
    struct Row {
        double value;
        const char* expected;
    } rows[] = {
        {0, "0"},
        {1, "1"},
        {-1, "-1"},
        {123, "123"},
        {12.5, "12.5"},
        {0.5, "0.5"},
        {-0.25, "-0.25"},
        {0.1, "0.1"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {0.0001, "0.0001"},
        {0.00001234, "1.23400000000000e-05"},
        {1e16, "1.00000000000000e+016"},
        {-1.5e-7, "-1.50000000000000e-07"},
        {-0.0, "0"},
        {123456789012345, "123456789012345"},
        {1e15, "1.00000000000000e+015"},
        {100, "100"},
        {4101, "4101"},
        {-25536, "-25536"},
        {1e300, "1.00000000000000e+300"},
        {-1e-300, "-1.00000000000000e-300"},
        {std::numeric_limits<double>::infinity(), "Infinity"},
        {-std::numeric_limits<double>::infinity(), "-Infinity"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
    };
    for (const Row& r : rows) {
        const int32_t before = rtStrRegistryCount();
        EXPECT_EQ(take(rtNumToStr(r.value)), r.expected) << "value " << r.value;
        EXPECT_EQ(rtStrRegistryCount(), before);
    }
}

// The largest 15-digit number reaches the upper bound of the digit loop: exponent form.
TEST(NumToStr, FifteenNinesPrintInExponentForm) {
    EXPECT_EQ(numToText(999999999999999.0), "1.00000000000000e+015");
}

// Map cells are written through this conversion: every 16-bit value must come out as plain
// decimal, the way the map file stores it.
TEST(NumToStr, EverySixteenBitValueIsPlainDecimal) {
    for (int v = -32768; v <= 32767; ++v) ASSERT_EQ(numToText(v), std::to_string(v));
}

TEST(Digits, DigitsExponentAndSign) {
    struct Row {
        double value;
        const char* digits;
        int32_t exponent, negative;
    } rows[] = {
        {0, "000000000000000", 0, 0},
        {-0.0, "000000000000000", 0, 0},
        {1, "100000000000000", 1, 0},
        {-12.5, "125000000000000", 2, 1},
        {0.5, "500000000000000", 0, 0},
        {2.0 / 3, "666666666666667", 0, 0},
        {std::numeric_limits<double>::infinity(), "000000000000000", 0, 0},
        {-std::numeric_limits<double>::infinity(), "000000000000000", 0, 1},
    };
    for (const Row& r : rows) {
        int32_t e = -99, neg = -99;
        EXPECT_STREQ(rtDigits(r.value, 15, e, neg), r.digits) << "value " << r.value;
        EXPECT_EQ(e, r.exponent) << "value " << r.value;
        EXPECT_EQ(neg, r.negative) << "value " << r.value;
    }
    int32_t e = 0, neg = 0;
    EXPECT_STREQ(rtDigits(9.7, 1, e, neg), "1") << "a carry past the first digit moves the exponent";
    EXPECT_EQ(e, 2);
}

TEST(HexStr, UpperCaseDigitsWithoutLeadingZeros) {
    struct Row {
        int32_t value;
        const char* expected;
    } rows[] = {{0, "0"},
                {255, "FF"},
                {4101, "1005"},
                {-1, "FFFFFFFF"},
                {INT32_MIN, "80000000"},
                {0x7FFFFFFF, "7FFFFFFF"}};
    for (const Row& r : rows) {
        const int32_t before = rtStrRegistryCount();
        RtString s = rtHexStr(r.value);
        EXPECT_EQ(rtStrLen(s), static_cast<int32_t>(std::strlen(r.expected))) << "length is the digit count";
        EXPECT_EQ(take(s), r.expected);
        EXPECT_EQ(rtStrRegistryCount(), before);
    }
}

TEST(StrToNum, WorkedResultsAndEdgeCases) {
    struct Row {
        const char* text;
        double expected;
    } rows[] = {
        {"  12.5abc", 12.5}, {"-3", -3},   {"+7", 7},        {".5", 0.5},      {"&HFF", 255},
        {"&hff", 255},       {"&H", 0},    {"&O17", 15},     {"&o17", 15},     {"&B101", 0},
        {"1e3", 1},          {"", 0},      {"\t42", 42},     {" 12", 12},      {"12abc", 12},
        {"&HC", 12},         {"1.9", 1.9}, {"-1.9", -1.9},   {"&H1005", 4101}, {"&HFFFFFFFF", 4294967295.0},
        {"&H-5", 0},         {"&O78", 7},  {"70000", 70000}, {"1,2", 1},       {"12\n", 12},
        {"0.001", 0.001},    {"abc", 0},
    };
    for (const Row& r : rows) EXPECT_EQ(rtStrToNum(r.text), r.expected) << "text \"" << r.text << "\"";
}

TEST(StrToNum, MinusWithoutDigitsIsNegativeZero) {
    for (const char* text : {"-", "- 5"}) {
        const double v = rtStrToNum(text);
        EXPECT_EQ(v, 0.0) << text;
        EXPECT_TRUE(std::signbit(v)) << text << " should read as -0";
        EXPECT_EQ(numToText(v), "0");
    }
}

TEST(StrToNum, OverlongRunsStayNumbers) {
    struct Row {
        std::string text;
        double expected;
    } rows[] = {
        {"&H" + std::string(300, '0') + "1", 1},
        {"&H" + std::string(300, 'F'), std::numeric_limits<double>::infinity()},
        {std::string(400, '0') + "7", 7},
        {"1" + std::string(400, '0'), std::numeric_limits<double>::infinity()},
        {"&O" + std::string(400, '0') + "7", 7},
        {"0." + std::string(400, '0') + "5", 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(rtStrToNum(r.text.c_str()), r.expected) << r.text.substr(0, 8) << "...";
    const double sixteen = rtStrToNum("&HFFFFFFFFFFFFFFFF");
    EXPECT_NEAR(sixteen, 18446744073709551615.0, 4096.0);
    EXPECT_EQ(rtStrToNum(nullptr), 0);
}

} // namespace
