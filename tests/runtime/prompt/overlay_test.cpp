// Texts laid over the window's picture (a pause sign, F12's notice) under the dummy video driver:
// they reach what the window shows and never the program's own pixels, go when hidden or when
// their time is up, and F12 saves the program's picture without them.
#include "platform/cp932.hpp"
#include "platform/font.hpp"
#include "platform/png_writer.hpp"
#include "platform/system.hpp"
#include "platform/window_hooks.hpp"
#include "runtime/prompt/overlay.hpp"
#include "runtime/prompt/prompt.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace win = platform::window;
using platform::cp932::fromUtf8;
using platform::pixels::Bitmap;

// Cut after a space or slash, else a dash or underscore, else where the line is full.
TEST(WrapText, CutsOnCharacterBoundaries) {
    const struct {
        const char* utf8;
        int32_t columns;
        std::vector<const char*> lines;
    } cases[] = {
        {"", 10, {""}},
        {"abcdef", 10, {"abcdef"}},
        {"abcdefghij", 10, {"abcdefghij"}},
        {"abcdefghijk", 10, {"abcdefghij", "k"}},
        {"/root/Pictures/shooter/a.png", 15, {"/root/Pictures/", "shooter/a.png"}},
        {"~/Pictures/shooter/shooter-2026-12-09_10-19-41.png",
         15,
         {"~/Pictures/", "shooter/", "shooter-2026-", "12-09_10-19-", "41.png"}},
        {"cannot write /x: No space", 12, {"cannot ", "write /x: ", "No space"}},
        {"ダab", 3, {"ダa", "b"}}, // the trail byte of ダ is the code of "_": no place to cut
        {"画面を保存:", 5, {"画面", "を保", "存:"}}, // a double-byte character is never split
        {"a画面", 2, {"a", "画", "面"}},
        {"画", 1, {"画"}}, // room for one double-byte character at least
    };
    for (const auto& c : cases) {
        std::vector<std::string> expected;
        for (const char* line : c.lines) expected.push_back(fromUtf8(line));
        EXPECT_EQ(prompt::wrapText(fromUtf8(c.utf8), c.columns), expected) << c.utf8 << " in " << c.columns;
    }
}

TEST(PictureNotice, SaysWhereOrWhy) {
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ASSERT_GT(home.size(), 1u);
    const std::vector<std::string> saved =
        prompt::pictureNotice({true, home + "/Pictures/shooter/x.png", ""});
    EXPECT_EQ(saved,
              (std::vector<std::string>{fromUtf8("画面を保存:"), fromUtf8("～/Pictures/shooter/x.png")}));
    const std::vector<std::string> elsewhere = prompt::pictureNotice({true, home + "x/Pictures/y.png", ""});
    EXPECT_EQ(elsewhere[1], home + "x/Pictures/y.png") << "a folder beside the home is no home";
    const std::vector<std::string> failed = prompt::pictureNotice({false, "", "cannot write /x: Disk full"});
    EXPECT_EQ(failed,
              (std::vector<std::string>{fromUtf8("画面を保存できません:"), "cannot write /x: Disk full"}));
}

constexpr platform::pixels::Colour kRed = 0x0000FF, kWhite = 0xFFFFFF;

class PromptOverlay : public testing::Test {
  protected:
    void SetUp() override {
        prompt::promptStart();
        win::setClientSize(640, 490);
        prompt::rtCls(3);
        {
            prompt::CanvasLock lock;
            std::fill(lock.backBuffer()->pixels.begin(), lock.backBuffer()->pixels.end(), kRed);
        }
        win::requestPaint();
        win::flush();
    }
    static Bitmap programPicture() {
        prompt::CanvasLock lock;
        return *lock.window();
    }
    // What the window shows where it differs from the program's picture: the box around it, or
    // nothing; and whether it is made of white text on black only.
    struct Difference {
        int32_t x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
        bool textOnly = true;
        bool any() const { return x1 >= 0; }
    };
    static Difference shownOverProgram() {
        win::flush();
        const Bitmap shown = win::presentedPixels(), own = programPicture();
        Difference d;
        for (int32_t y = 0; y < own.height; ++y)
            for (int32_t x = 0; x < own.width; ++x) {
                if (shown.at(x, y) == own.at(x, y)) continue;
                d.x0 = std::min(d.x0, x), d.y0 = std::min(d.y0, y);
                d.x1 = std::max(d.x1, x + 1), d.y1 = std::max(d.y1, y + 1);
                if (shown.at(x, y) != 0 && shown.at(x, y) != kWhite) d.textOnly = false;
            }
        return d;
    }
};

TEST_F(PromptOverlay, ShowsOverTheWindowAndNeverInTheProgramsPicture) {
    const Bitmap before = programPicture();
    const std::vector<std::string> lines = {fromUtf8("一時停止中"), fromUtf8("Pで再開")};
    prompt::promptShowOverlay(0, 520, 16, lines);
    const Difference d = shownOverProgram();
    ASSERT_TRUE(d.any()) << "the sign does not show";
    // Each line's own cells: the first line is the wider, two rows of 16 pixels.
    const int32_t width = platform::font::consoleFont().extent(lines[0]);
    EXPECT_TRUE(d.x0 == 520 && d.y0 == 16 && d.x1 == 520 + width && d.y1 == 48)
        << "the sign covers " << d.x0 << "," << d.y0 << " to " << d.x1 << "," << d.y1;
    EXPECT_TRUE(d.textOnly);
    const Bitmap shown = win::presentedPixels();
    const int32_t secondWidth = platform::font::consoleFont().extent(lines[1]);
    EXPECT_EQ(shown.at(520 + secondWidth, 40), kRed) << "right of the shorter line the picture shows";
    EXPECT_TRUE(programPicture().pixels == before.pixels) << "the sign reached the program's picture";

    // Clipped at the window's edge, and gone when hidden.
    prompt::promptShowOverlay(0, 600, 480, lines);
    const Difference clipped = shownOverProgram();
    EXPECT_TRUE(clipped.any() && clipped.x1 <= 640 && clipped.y1 <= 490);
    prompt::promptHideOverlay(0);
    EXPECT_FALSE(shownOverProgram().any()) << "the sign stays after it was hidden";
}

// Taken off when its time is up, while nothing else makes the window present.
TEST_F(PromptOverlay, GoesWhenItsTimeIsUp) {
    prompt::promptShowOverlay(1, 0, 0, {"for a moment"}, 100);
    const uint32_t start = platform::tickCount();
    while (shownOverProgram().any() && platform::tickCount() - start < 60000) platform::sleepMs(20);
    EXPECT_FALSE(shownOverProgram().any()) << "gave up after 60 s waiting for the overlay to go";
}

// F12: the file holds the program's picture without the sign laid over it, and the notice shows
// in the notice area, its long line wrapped there.
TEST_F(PromptOverlay, F12SavesTheProgramsPictureAndShowsTheNotice) {
    testing_support::TempDir dir;
    ::setenv("XDG_PICTURES_DIR", dir.path().c_str(), 1);
    prompt::promptSetNoticeArea(16, 64, 20, 3);
    prompt::promptShowOverlay(0, 520, 16, {fromUtf8("一時停止中")});
    const std::vector<uint8_t> own = platform::encodePng(programPicture());
    constexpr int32_t kScanF12 = 69;
    win::injectKeyEvent(kScanF12, kScanF12 | 1 << 30, 0, true);
    win::injectKeyEvent(kScanF12, kScanF12 | 1 << 30, 0, false);
    ::unsetenv("XDG_PICTURES_DIR");
    prompt::promptHideOverlay(0);

    const std::filesystem::path folder = dir / "PROMPT";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    std::vector<std::filesystem::path> files(std::filesystem::directory_iterator(folder), {});
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(testing_support::readFile(files[0]) == std::string(own.begin(), own.end()))
        << files[0] << " is not the program's own picture";
    const Difference d = shownOverProgram();
    ASSERT_TRUE(d.any()) << "no notice";
    // "画面を保存:" and the path, 20 cells a line, at most three lines.
    EXPECT_TRUE(d.x0 >= 16 && d.y0 >= 64 && d.x1 <= 16 + 20 * 8 && d.y1 == 64 + 3 * 16)
        << "the notice covers " << d.x0 << "," << d.y0 << " to " << d.x1 << "," << d.y1;
}

} // namespace
