#include "runtime/core/rtmath.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace rt;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(RtInt, FloorAndClamp) {
    struct Row {
        double x;
        int32_t expected;
    } rows[] = {
        {2.7, 2},
        {-2.7, -3},
        {-3, -3},
        {-0.5, -1},
        {0.999999, 0},
        {0, 0},
        {-0.0, 0},
        {2147483646.5, 2147483646},
        {-2147483647.5, INT32_MIN},
        {3e9, INT32_MAX},
        {-3e9, INT32_MIN},
        {kInf, INT32_MAX},
        {-kInf, INT32_MIN},
        {kNaN, 0},
    };
    for (const Row& r : rows) EXPECT_EQ(rtInt(r.x), r.expected) << "rtInt(" << r.x << ")";
}

TEST(Truncation, ThirtyTwoAndSixteenBitAssignments) {
    struct Row {
        double v;
        int32_t expected32;
        int16_t expected16;
    } rows[] = {
        {1.9, 1, 1},
        {-1.9, -1, -1},
        {70000, 70000, 4464},
        {40000, 40000, -25536},
        {32767.9, 32767, 32767},
        {-32768, -32768, -32768},
        {65536, 65536, 0},
        {2147483647.5, 2147483647, -1},
        {2147483648.0, INT32_MIN, 0},
        {-2147483648.9, INT32_MIN, 0},
        {-2147483649.0, INT32_MIN, 0},
        {kNaN, INT32_MIN, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(toInt32(r.v), r.expected32) << "toInt32(" << r.v << ")";
        EXPECT_EQ(toInt16(r.v), r.expected16) << "toInt16(" << r.v << ")";
    }
}

TEST(AbsSgn, Table) {
    struct Row {
        double x, abs;
        int32_t sgn;
    } rows[] = {{3.5, 3.5, 1}, {-3.5, 3.5, -1}, {0, 0, 0}, {-0.0, 0, 0}, {-kInf, kInf, -1}};
    for (const Row& r : rows) {
        EXPECT_EQ(rtAbs(r.x), r.abs) << r.x;
        EXPECT_EQ(rtSgn(r.x), r.sgn) << r.x;
    }
}

TEST(Generator, SequenceFromSeedOne) {
    rtRandomize(1);
    EXPECT_EQ(rtRand15(), 16838);
    EXPECT_EQ(rtRandomSeed(), 1103527590u);
    const int32_t next[] = {5758, 10113, 17515, 31051, 5627, 23010, 7419, 16212, 4086};
    for (int32_t expected : next) EXPECT_EQ(rtRand15(), expected);
}

TEST(Generator, SeedsAboveTwoToTheThirtyFirstStayPositive) {
    // The seed goes through a double as an unsigned value: seeds with the top bit set must not turn
    // into negative draws; the draw is bits 16..30 of the new seed.
    for (uint32_t seed : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        rtRandomize(seed);
        const int32_t v = rtRand15();
        const uint32_t next = seed * 1103515245u + 12345u;
        EXPECT_EQ(v, static_cast<int32_t>((next >> 16) & 0x7FFF)) << "seed " << seed;
    }
}

uint32_t inverseOfMultiplier() {
    uint32_t x = 1103515245u; // Newton's iteration for the inverse modulo 2^32
    for (int i = 0; i < 5; ++i) x *= 2u - 1103515245u * x;
    return x;
}

TEST(Generator, RndIsTheProductOfTwoDrawsModuloOneHundredThousand) {
    rtRandomize(1);
    EXPECT_EQ(rtRnd(), 53204 / 100000.0) << "16838 * 5758 = 96953204";

    // A seed whose next draw is 0: the product, and the result, are 0.
    rtRandomize((0u - 12345u) * inverseOfMultiplier());
    EXPECT_EQ(rtRnd(), 0.0);

    rtRandomize(12345);
    for (int i = 0; i < 20000; ++i) {
        const double v = rtRnd();
        ASSERT_GE(v, 0.0);
        ASSERT_LE(v, 0.99999);
    }
}

TEST(Power, WorkedResultsAndEdgeCases) {
    struct Row {
        double base, exponent, expected;
    } rows[] = {
        {2, 10, 1024},  {2, -2, 0.25},  {-2, 3, -8},      {-8, 1.0 / 3, 0}, {0, 0, 1},
        {0, 0.5, 0},    {-1, 0.5, 0},   {5, 0, 1},        {-7, 0, 1},       {10, 15, 1e15},
        {2, 3e9, kInf}, {0.5, 2, 0.25}, {3, -1, 1.0 / 3},
    };
    for (const Row& r : rows)
        EXPECT_EQ(rtPow(r.base, r.exponent), r.expected) << "rtPow(" << r.base << ", " << r.exponent << ")";
    EXPECT_DOUBLE_EQ(rtPow(2, 0.5), std::sqrt(2.0));
    EXPECT_EQ(rtPowInt(0, -1), kInf) << "0 to the -1 divides by zero";
    EXPECT_EQ(rtPowInt(2, -1), 0.5);
    EXPECT_EQ(rtPowInt(-1, INT32_MIN + 1), -1);
}

} // namespace
