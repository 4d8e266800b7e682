#include "platform/cp932.hpp"
#include "platform/dialog.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The tests run under the dummy video driver: nobody could click a box there, so the message
// becomes one line on stderr instead of blocking.
TEST(MessageBox, WithoutADisplayTheMessageIsALineOnStderr) {
    ASSERT_STREQ(std::getenv("SDL_VIDEODRIVER"), "dummy");
    testing::internal::CaptureStderr();
    platform::showMessageBox(platform::cp932::fromUtf8("取得に失敗。"), platform::cp932::fromUtf8("エラー"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "エラー: 取得に失敗。\n");
}

TEST(MessageBox, ASinkReceivesTextAndCaptionAsUtf8) {
    std::vector<std::string> seen;
    platform::setMessageBoxSink([&](std::string_view text, std::string_view caption) {
        seen.push_back(std::string(caption) + "|" + std::string(text));
    });
    testing::internal::CaptureStderr();
    platform::showMessageBox(platform::cp932::fromUtf8("ピクセル"), platform::cp932::fromUtf8("エラー"));
    const std::string err = testing::internal::GetCapturedStderr();
    platform::setMessageBoxSink({});
    EXPECT_EQ(seen, std::vector<std::string>{"エラー|ピクセル"});
    EXPECT_EQ(err, "") << "a diverted message is not also printed";
}

} // namespace
