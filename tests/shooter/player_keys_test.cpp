// The pause and mute keys between two frames: what the window and the sound are told, and how long
// the game is held, for presses before a look and during a pause.
#include "platform/key_codes.hpp"
#include "shooter/player_keys.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using shooter::PlayerKeys;

constexpr int kP = 'P', kPauseKey = platform::keys::kPause, kM = 'M';

// Presses come in steps: the first before the look between two frames, each next one during one
// wait of a pause. What happens is written down as a line: "pause", "wait", "mute", "go on" ...
struct Script {
    explicit Script(std::vector<std::vector<int>> keys) : steps(std::move(keys)) {}
    std::vector<std::vector<int>> steps; // keys pressed in each step
    std::map<int, uint32_t> counts;
    size_t next = 0;
    std::vector<std::string> events;

    void press() {
        if (next < steps.size())
            for (int vk : steps[next]) ++counts[vk];
        ++next;
    }
    shooter::PlayerKeyServices services() {
        return {[this](int vk) { return counts[vk]; },
                [this] {
                    events.push_back("wait");
                    press();
                    // A pause never ended by the script ends the test instead of holding it.
                    if (next > steps.size() + 5) ++counts[kP];
                },
                [this](bool paused) { events.push_back(paused ? "pause" : "go on"); },
                [this](bool muted) { events.push_back(muted ? "mute" : "sound"); }};
    }
};

TEST(PlayerKeys, PauseAndMuteBetweenFrames) {
    const struct {
        const char* what;
        std::vector<std::vector<int>> steps;
        std::vector<std::string> events;
        bool mutedAfter;
    } cases[] = {
        {"no key", {{}}, {}, false},
        {"P holds the game until P again",
         {{kP}, {}, {}, {kP}},
         {"pause", "wait", "wait", "wait", "go on"},
         false},
        {"the Pause key as well", {{kPauseKey}, {kPauseKey}}, {"pause", "wait", "go on"}, false},
        {"one key pauses, the other ends it", {{kP}, {kPauseKey}}, {"pause", "wait", "go on"}, false},
        {"paused and ended before the look", {{kP, kP}}, {}, false},
        {"three presses: paused", {{kP, kP, kP}, {kP}}, {"pause", "wait", "go on"}, false},
        {"M mutes", {{kM}}, {"mute"}, true},
        {"M twice before the look changes nothing", {{kM, kM}}, {}, false},
        {"M during the pause", {{kP}, {kM}, {kP}}, {"pause", "wait", "mute", "wait", "go on"}, true},
        {"M and P in one look: muted first", {{kM, kP}, {kP}}, {"mute", "pause", "wait", "go on"}, true},
        {"other keys are no player keys", {{'X', 'Z', 37, 'O', platform::keys::functionKey(12)}}, {}, false},
    };
    for (const auto& c : cases) {
        Script script(c.steps);
        PlayerKeys keys(script.services());
        script.press();
        keys.betweenFrames();
        EXPECT_EQ(script.events, c.events) << c.what;
        EXPECT_EQ(keys.isMuted(), c.mutedAfter) << c.what;
    }
}

// Presses are taken once: the next look sees only the new ones, so M after M unmutes.
TEST(PlayerKeys, EachPressIsTakenOnce) {
    Script script({{kM}, {}, {kM}});
    PlayerKeys keys(script.services());
    for (int frame = 0; frame < 3; ++frame) {
        script.press();
        keys.betweenFrames();
    }
    EXPECT_EQ(script.events, (std::vector<std::string>{"mute", "sound"}));
    EXPECT_FALSE(keys.isMuted());
}

} // namespace
