// The key-state table's press counts: what the game's pause and mute keys are read by.
#include "platform/keys.hpp"

#include <gtest/gtest.h>

namespace {

namespace keys = platform::keys;

// Each step holds or lets go of the key by a holder; the count after it tells the presses so far.
TEST(KeyPresses, EachPressCountsOnce) {
    keys::releaseAll();
    const int vk = keys::letter('P');
    const uint32_t base = keys::pressCount(vk);
    const struct {
        const char* what;
        int holder;
        bool held;
        uint32_t presses;
    } steps[] = {
        {"the keyboard presses", keys::kKeyboard, true, 1},
        {"auto-repeat", keys::kKeyboard, true, 1},
        {"a pad holds it too", keys::padHolder(0), true, 1},
        {"the keyboard lets go, the pad still holds", keys::kKeyboard, false, 1},
        {"the keyboard again while the pad holds", keys::kKeyboard, true, 1},
        {"both let go", keys::kKeyboard, false, 1},
        {"", keys::padHolder(0), false, 1},
        {"a new press", keys::kKeyboard, true, 2},
        {"a pad alone after the keyboard let go", keys::kKeyboard, false, 2},
        {"", keys::padHolder(3), true, 3},
    };
    for (const auto& s : steps) {
        keys::setKeyHeld(vk, s.holder, s.held);
        EXPECT_EQ(keys::pressCount(vk) - base, s.presses) << s.what;
    }
    keys::releaseAll();
    EXPECT_EQ(keys::pressCount(vk) - base, 3u) << "letting go is no press";
    EXPECT_EQ(keys::pressCount(-1), 0u);
    EXPECT_EQ(keys::pressCount(256), 0u);
}

} // namespace
