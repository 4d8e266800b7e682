#include "platform/cp932.hpp"
#include "platform/system.hpp"
#include "runtime/core/rtstring.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using namespace rt;

const std::string kUnknownFreeMessage = "未知の文字列が解放されようとしました。\r\n";

// Collects what reaches the debug output while it lives.
class DebugCapture {
  public:
    DebugCapture() {
        platform::setDebugSink([this](std::string_view text) { seen_ += text; });
    }
    ~DebugCapture() { platform::setDebugSink({}); }
    const std::string& text() const { return seen_; }

  private:
    std::string seen_;
};

RtString make(std::string_view bytes) {
    return rtStrFromBytes(bytes);
}

std::string take(RtString s) {
    std::string out(rtStrView(s));
    rtStrFree(s);
    return out;
}

TEST(RtStringBlock, LengthInFrontBytesZeroedAndTerminated) {
    for (int32_t n : {0, 1, 7, 300}) {
        RtString s = rtStrAlloc(n);
        int32_t stored;
        std::memcpy(&stored, s - 4, 4);
        EXPECT_EQ(stored, n) << "length prefix";
        EXPECT_EQ(rtStrLen(s), n);
        for (int32_t i = 0; i <= n; ++i) ASSERT_EQ(s[i], 0) << "byte " << i << " of a string of " << n;
        rtStrFree(s);
    }
    RtString negative = rtStrAlloc(-5);
    EXPECT_EQ(rtStrLen(negative), 0) << "a negative length gives an empty string";
    rtStrFree(negative);
}

TEST(RtStringRegistry, KeepsAllocationOrderAndRemovalClosesTheGap) {
    const int32_t before = rtStrRegistryCount();
    RtString a = rtStrAlloc(1), b = rtStrAlloc(2), c = rtStrAlloc(3), d = rtStrAlloc(4);
    rtStrFree(b); // closing the gap keeps a, c, d; moving the last entry into the hole would give a, d, c
    RtString e = rtStrAlloc(5);
    const auto items = rtStrRegistrySnapshot();
    ASSERT_EQ(items.size(), static_cast<size_t>(before + 4));
    const std::vector<const char*> tail(items.end() - 4, items.end());
    EXPECT_EQ(tail, (std::vector<const char*>{a, c, d, e}));
    for (RtString s : {a, c, d, e}) rtStrFree(s);
    EXPECT_EQ(rtStrRegistryCount(), before);
}

TEST(RtStringRegistry, ConcatOfTwoEmptiesFreesBothOperands) {
    const int32_t before = rtStrRegistryCount();
    RtString l = rtStrAlloc(0), r = rtStrAlloc(0);
    RtString s = rtStrConcat(l, r);
    EXPECT_EQ(rtStrRegistryCount(), before + 1) << "two freed, one allocated";
    EXPECT_EQ(rtStrRegistrySnapshot().back(), s) << "the result is the newest entry";
    EXPECT_EQ(rtStrLen(s), 0);
    EXPECT_EQ(s[0], 0);
    rtStrFree(s);
    EXPECT_EQ(rtStrRegistryCount(), before);
}

TEST(RtStringRegistry, UnknownPointersAreReportedAndLeftAlone) {
    RtString twice = rtStrAlloc(3);
    rtStrFree(twice);
    static char literal[] = "\0\0\0\0abc";
    char onStack[16] = {};
    struct Row {
        const char* name;
        RtString p;
        std::string expectedMessage;
    } rows[] = {
        {"freed twice", twice, kUnknownFreeMessage},
        {"a literal", literal + 4, kUnknownFreeMessage},
        {"a stack buffer", onStack + 4, kUnknownFreeMessage},
        {"null", nullptr, ""},
    };
    for (const Row& r : rows) {
        const int32_t before = rtStrRegistryCount();
        DebugCapture capture;
        rtStrFree(r.p);
        EXPECT_EQ(capture.text(), r.expectedMessage) << r.name;
        EXPECT_EQ(rtStrRegistryCount(), before) << r.name;
    }
    EXPECT_STREQ(literal + 4, "abc") << "an unknown pointer is not touched";
}

TEST(RtStringRegistry, ConcurrentAllocationAndFreeingKeepTheCount) {
    const int32_t before = rtStrRegistryCount();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 500; ++i) rtStrFree(rtStrConcat(rtStrChr('a' + i % 26), rtStrAlloc(i % 5)));
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(rtStrRegistryCount(), before);
}

TEST(RtStringOps, ConcatCopiesBothSidesAndConsumesThem) {
    struct Row {
        std::string left, right, expected;
    } rows[] = {
        {"ab", "cd", "abcd"},
        {"", "x", "x"},
        {"x", "", "x"},
        {std::string("a\0b", 3), std::string("\0", 1), std::string("a\0b\0", 4)},
    };
    for (const Row& r : rows) {
        const int32_t before = rtStrRegistryCount();
        const std::string got = take(rtStrConcat(make(r.left), make(r.right)));
        EXPECT_EQ(got, r.expected);
        EXPECT_EQ(rtStrRegistryCount(), before)
            << "operands of \"" << r.left << "\" + \"" << r.right << "\" not freed";
    }
}

TEST(RtStringOps, ChrTakesTheLowByteAndTwoFormADoubleByteCharacter) {
    EXPECT_EQ(take(rtStrChr(0x141)), "A");
    RtString s = rtStrConcat(rtStrChr(0x82), rtStrChr(0xA0));
    EXPECT_EQ(rtStrLen(s), 2);
    EXPECT_EQ(platform::cp932::toUtf8(rtStrView(s)), "あ");
    rtStrFree(s);
}

TEST(RtStringOps, AscReadsTheFirstByteUnsigned) {
    struct Row {
        std::string text;
        int32_t expected;
    } rows[] = {{"", 0}, {"A", 65}, {"\x82\xa0", 0x82}, {"\xff", 255}};
    for (const Row& r : rows) {
        const int32_t before = rtStrRegistryCount();
        EXPECT_EQ(rtStrAsc(make(r.text)), r.expected);
        EXPECT_EQ(rtStrRegistryCount(), before) << "argument not consumed";
    }
}

TEST(RtStringOps, CompareIsByteWiseOverTheCp932Bytes) {
    struct Row {
        std::string left, right;
        int32_t expected;
    } rows[] = {
        {"a", "a", 2},
        {"a", "b", 1},
        {"b", "a", 3},
        {"", "", 2},
        {"a", "ab", 1},
        {"ab", "a", 3},
        {"B", "a", 1},                                       // upper case sorts before lower case
        {"\x82\xa0", "z", 3},                                // bytes compare unsigned
        {std::string("a\0b", 3), std::string("a\0c", 3), 1}, // zeros inside the length take part
        {"a", std::string("a\0", 2), 1},
    };
    for (const Row& r : rows) {
        const int32_t before = rtStrRegistryCount();
        EXPECT_EQ(rtStrCompare(make(r.left), make(r.right)), r.expected)
            << "\"" << r.left << "\" vs \"" << r.right << "\"";
        EXPECT_EQ(rtStrRegistryCount(), before) << "operands not consumed";
    }
}

TEST(RtStringOps, LeftClampsTheCountToTheString) {
    struct Row {
        int32_t n;
        std::string expected;
    } rows[] = {{0, ""}, {2, "he"}, {5, "hello"}, {9, "hello"}, {-1, ""}, {INT32_MIN, ""}};
    for (const Row& r : rows) {
        const int32_t before = rtStrRegistryCount();
        EXPECT_EQ(take(rtStrLeft(make("hello"), r.n)), r.expected) << "n = " << r.n;
        EXPECT_EQ(rtStrRegistryCount(), before);
    }
}

TEST(RtStringOps, LiteralsBecomeCp932AndCopiesAreIndependent) {
    RtString title = rtStrLiteral("スクロール背景作成ツール");
    EXPECT_EQ(rtStrLen(title), 24) << "12 double-byte characters";
    EXPECT_EQ(std::string(title, 2), "\x83\x58");
    EXPECT_EQ(platform::cp932::toUtf8(rtStrView(title)), "スクロール背景作成ツール");
    RtString copy = rtStrCopy(title);
    EXPECT_NE(copy, title);
    copy[0] = 'x';
    EXPECT_EQ(static_cast<unsigned char>(title[0]), 0x83);
    rtStrFree(copy);
    rtStrFree(title);

    EXPECT_EQ(take(rtStrLiteral("AREA1.csv")), "AREA1.csv");
    EXPECT_EQ(take(rtStrFromCString("ab\0cd")), "ab");
    EXPECT_EQ(take(rtStrFromCString(nullptr)), "");
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// In the child: 512 MB of address space, then a string of nearly 2 GB.
void allocateUnderAddressLimit() {
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 512L << 20;
    setrlimit(RLIMIT_AS, &limit);
    rtStrFree(rtStrAlloc(INT32_MAX - 16));
}

TEST(RtStringDeathTest, HeapExhaustionStopsWithAMessage) {
    if (kSanitized) GTEST_SKIP() << "the sanitizers' allocators do not honour an address-space limit";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(allocateUnderAddressLimit(), testing::ExitedWithCode(kExitHeapExhausted), "out of memory");
}

} // namespace
