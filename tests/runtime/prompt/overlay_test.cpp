// The lines the window's notices are cut into (the signs and notices themselves are seen in a
// real X server: tests/e2e/player_keys.sh).
#include "platform/cp932.hpp"
#include "runtime/prompt/overlay.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::cp932::fromUtf8;

// Cut after a space or slash, else a dash or underscore, else where the line is full.
TEST(WrapText, CutsOnCharacterBoundaries) {
    const struct {
        const char* utf8;
        int32_t columns;
        std::vector<const char*> lines;
    } cases[] = {
        {"", 10, {""}},
        {"abcdefghij", 10, {"abcdefghij"}},
        {"abcdefghijk", 10, {"abcdefghij", "k"}},
        {"/root/Pictures/shooter/a.png", 15, {"/root/Pictures/", "shooter/a.png"}},
        {"~/Pictures/shooter/shooter-2026-12-09_10-19-41.png",
         15,
         {"~/Pictures/", "shooter/", "shooter-2026-", "12-09_10-19-", "41.png"}},
        {"cannot write /x: No space", 12, {"cannot ", "write /x: ", "No space"}},
        {"ダab", 3, {"ダa", "b"}}, // the trail byte of ダ is the code of "_": no place to cut
        {"画面を保存:", 5, {"画面", "を保", "存:"}}, // a double-byte character is never split
        {"画", 1, {"画"}},                           // room for one double-byte character at least
    };
    for (const auto& c : cases) {
        std::vector<std::string> expected;
        for (const char* line : c.lines) expected.push_back(fromUtf8(line));
        EXPECT_EQ(prompt::wrapText(fromUtf8(c.utf8), c.columns), expected) << c.utf8 << " in " << c.columns;
    }
}

} // namespace
