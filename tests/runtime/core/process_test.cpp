#include "platform/system.hpp"
#include "runtime/core/process.hpp"
#include "runtime/core/rtmath.hpp"
#include "runtime/core/rtstring.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace rt;

// A global string variable the way a program keeps one: empty at first, freed by the clean-up.
void registerGlobalString(RtString* variable) {
    *variable = rtStrAlloc(0);
    rtRegisterGlobal([variable] {
        rtStrFree(*variable);
        *variable = nullptr;
    });
}

bool registered(const char* p) {
    const auto items = rtStrRegistrySnapshot();
    return std::find(items.begin(), items.end(), p) != items.end();
}

TEST(RuntimeInit, PutsTheGeneratorAtSeedOne) {
    rtRandomize(77);
    rtRand15();
    rtRuntimeInit();
    EXPECT_EQ(rtRandomSeed(), 1u);
    EXPECT_EQ(rtRand15(), 16838);
}

TEST(ProgramCleanup, ReleasesGlobalsInStorageOrderOnce) {
    rtProgramCleanup(); // start from an empty list
    RtString first = nullptr, second = nullptr;
    std::vector<std::string> log;
    const int32_t before = rtStrRegistryCount();
    registerGlobalString(&first);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(rtStrLen(first), 0) << "a global string starts empty";
    rtRegisterGlobal(
        [&] { log.push_back(std::string("picture; first freed=") + (registered(first) ? "no" : "yes")); });
    registerGlobalString(&second);
    const RtString secondValue = second;
    rtRegisterGlobal([&] {
        log.push_back(std::string("last; second freed=") + (registered(secondValue) ? "no" : "yes"));
    });
    EXPECT_EQ(rtStrRegistryCount(), before + 2);

    rtProgramCleanup();
    EXPECT_EQ(log, (std::vector<std::string>{"picture; first freed=yes", "last; second freed=yes"}));
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(rtStrRegistryCount(), before);

    rtProgramCleanup();
    EXPECT_EQ(log.size(), 2u) << "a second clean-up releases nothing again";
}

TEST(ProgramCleanup, AnUnregisteredValueIsReportedNotFreed) {
    rtProgramCleanup();
    static char bogus[] = "\0\0\0\0x";
    RtString variable = nullptr;
    registerGlobalString(&variable);
    rtStrFree(variable);
    variable = bogus + 4; // a variable that somehow holds a pointer the registry does not know
    std::string seen;
    platform::setDebugSink([&](std::string_view text) { seen += text; });
    rtProgramCleanup();
    platform::setDebugSink({});
    EXPECT_EQ(seen, "未知の文字列が解放されようとしました。\r\n");
}

TEST(ProgramEndDeathTest, CleansUpThenExitsWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            rtProgramCleanup();
            rtRegisterGlobal([] { std::fputs("released first\n", stderr); });
            rtRegisterGlobal([] { std::fputs("released second\n", stderr); });
            rtProgramEnd();
        },
        testing::ExitedWithCode(0), "released first\nreleased second\n");
}

} // namespace
