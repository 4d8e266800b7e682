// The pause and mute keys between two frames: what the window and the sound are told, and how long
// the game is held, for presses before the look and during a pause.
#include "platform/key_codes.hpp"
#include "shooter/player_keys.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kP = 'P', kPauseKey = platform::keys::kPause, kM = 'M';

TEST(PlayerKeys, PauseAndMuteBetweenFrames) {
    const struct {
        const char* what;
        // Keys pressed before the look, then during each wait of a pause.
        std::vector<std::vector<int>> steps;
        std::vector<std::string> events;
    } cases[] = {
        {"P holds the game until P again", {{kP}, {}, {kP}}, {"pause", "wait", "wait", "go on"}},
        {"the Pause key ends it as well", {{kP}, {kPauseKey}}, {"pause", "wait", "go on"}},
        {"paused and ended before the look", {{kP, kPauseKey}}, {}},
        {"M mutes", {{kM}}, {"mute"}},
        {"M twice before the look", {{kM, kM}}, {}},
        {"M during the pause", {{kP}, {kM}, {kP}}, {"pause", "wait", "mute", "wait", "go on"}},
        {"other keys", {{'X', 'Z', 'O', platform::keys::functionKey(12)}}, {}},
    };
    for (const auto& c : cases) {
        std::map<int, uint32_t> presses;
        size_t step = 0;
        const auto nextStep = [&] {
            if (step < c.steps.size())
                for (int vk : c.steps[step]) ++presses[vk];
            if (++step > c.steps.size() + 5) ++presses[kP]; // a pause the case never ends
        };
        std::vector<std::string> events;
        shooter::PlayerKeys keys({[&](int vk) { return presses[vk]; },
                                  [&] {
                                      events.push_back("wait");
                                      nextStep();
                                  },
                                  [&](bool paused) { events.push_back(paused ? "pause" : "go on"); },
                                  [&](bool muted) { events.push_back(muted ? "mute" : "sound"); }});
        nextStep();
        keys.betweenFrames();
        // The next look sees no press twice: M again unmutes.
        ++presses[kM];
        keys.betweenFrames();
        ASSERT_FALSE(events.empty()) << c.what;
        EXPECT_EQ(events.back(), keys.isMuted() ? "mute" : "sound") << c.what << ": the second look";
        events.pop_back();
        EXPECT_EQ(events, c.events) << c.what;
    }
}

} // namespace
