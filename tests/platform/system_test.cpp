#include "platform/cp932.hpp"
#include "platform/png_writer.hpp"
#include "platform/system.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SystemTick, BoundariesAreMultiplesOfTheTickPeriod) {
    struct Row {
        int64_t ns, expected;
    } rows[] = {
        {0, 0},
        {1, platform::kTickPeriodNs},
        {platform::kTickPeriodNs, platform::kTickPeriodNs},
        {platform::kTickPeriodNs + 1, 2 * platform::kTickPeriodNs},
        {64 * platform::kTickPeriodNs - 1, 64 * platform::kTickPeriodNs},
    };
    for (const Row& r : rows)
        EXPECT_EQ(platform::tickBoundaryAtOrAfter(r.ns), r.expected) << "at " << r.ns << " ns";
}

// Whatever the machine's speed, a sleep never ends before the tick it waits for, so every
// wake-up lies at or after a tick boundary that is at least the asked time ahead.
TEST(SystemTick, SleepWakesOnATickAtLeastTheAskedTimeAhead) {
    for (int ms : {1, 2, 16}) {
        const int64_t start = platform::monotonicNs();
        platform::sleepMs(ms);
        const int64_t woke = platform::monotonicNs();
        const int64_t due = platform::tickBoundaryAtOrAfter(start + int64_t{ms} * 1'000'000);
        EXPECT_GE(woke, due) << "sleep(" << ms << ") woke before its tick";
    }
}

TEST(SystemTick, TickCountFollowsTheMonotonicClock) {
    const uint32_t a = platform::tickCount();
    platform::sleepMs(1);
    const uint32_t b = platform::tickCount();
    EXPECT_GE(static_cast<uint32_t>(b - a), 1u);
}

TEST(SystemPaths, BackslashesBecomeSlashesAndCaseStays) {
    EXPECT_EQ(platform::nativePath("bmp\\chr01-1.BMP"), "bmp/chr01-1.BMP");
    EXPECT_EQ(platform::nativePath("AREA1.csv"), "AREA1.csv");
}

TEST(DebugOutput, ConvertsCp932ToUtf8) {
    std::string seen;
    platform::setDebugSink([&](std::string_view text) { seen += text; });
    platform::debugOutput("\x83\x65\x83\x58\x83\x67\r\n"); // "テスト" in CP932
    platform::setDebugSink({});
    EXPECT_EQ(seen, "テスト\r\n");
}

TEST(Cp932, LeadBytes) {
    struct Row {
        int byte;
        bool lead;
    } rows[] = {{0x41, false}, {0x80, false}, {0x81, true}, {0x9F, true}, {0xA0, false},
                {0xDF, false}, {0xE0, true},  {0xFC, true}, {0xFD, false}};
    for (const Row& r : rows)
        EXPECT_EQ(platform::cp932::isLeadByte(static_cast<uint8_t>(r.byte)), r.lead) << std::hex << r.byte;
}

TEST(Cp932, ConvertsBothWays) {
    struct Row {
        std::string utf8, cp932;
    } rows[] = {
        {"ABC", "ABC"},
        {"～", "\x81\x60"},
        {"データ", "\x83\x66\x81\x5B\x83\x5E"},
        {"ｱ", "\xB1"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(platform::cp932::fromUtf8(r.utf8), r.cp932) << r.utf8;
        EXPECT_EQ(platform::cp932::toUtf8(r.cp932), r.utf8) << r.utf8;
    }
}

TEST(Cp932, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(platform::cp932::toUtf8("A\x81"), "A\xEF\xBF\xBD");
    EXPECT_EQ(platform::cp932::decodeChar("\x82\xA0"), U'あ');
    EXPECT_EQ(platform::cp932::decodeChar("\xFD"), U'\uFFFD');
}

TEST(PngWriter, WritesSignatureAndHeader) {
    platform::pixels::Bitmap b(3, 2, platform::pixels::rgb(255, 0, 0));
    auto png = platform::encodePng(b);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png[0], 0x89);
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    EXPECT_EQ(png[19], 3); // width
    EXPECT_EQ(png[23], 2); // height
}

} // namespace
