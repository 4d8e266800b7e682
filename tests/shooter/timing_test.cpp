#include "game_fixture.hpp"
#include "shooter/startup.hpp"
#include "shooter/timing.hpp"

#include <vector>

using namespace shooter;
using shooter_test::Game;

TEST(Calibration, ElapsedTimeChoosesSpeedFactorFramesPerRowAndWait) {
    struct Case {
        uint32_t startTick, endTick;
        int16_t speedFactor, framesPerRow;
        double unrounded, wait;
    };
    const Case cases[] = {
        {5000, 5000, 1, 16, 4000.0 / 2300, 2},
        {0, 1000, 1, 16, 3000.0 / 2300, 2},
        {0, 4000, 1, 16, 0, 0}, // exactly the budget: no doubling
        {0, 5000, 2, 8, 1500.0 / 2300, 1},
        {0, 12000, 8, 2, 2500.0 / 2300, 2},
        {0, 60000, 16, 1, 250.0 / 2300, 0}, // no factor is enough: 16 stays
        {100, 110000, 16, 1, (4000 - 109900.0 / 16) / 2300, 0},
        {0xFFFFFC18u, 0, 1, 16, 3000.0 / 2300, 2}, // the tick count wrapped: still 1000 ms
        {0xFFFFFFFFu, 4999, 2, 8, 1500.0 / 2300, 1},
    };
    for (const Case& c : cases) {
        Game game;
        auto& g = game.g();
        setSpeedFromElapsed(g, elapsedTicks(c.startTick, c.endTick));
        const std::string label = std::to_string(c.startTick) + " to " + std::to_string(c.endTick);
        EXPECT_EQ(g.speedFactor, c.speedFactor) << label;
        EXPECT_EQ(g.framesPerRow, c.framesPerRow) << label;
        EXPECT_DOUBLE_EQ(g.frameWait, c.unrounded) << label;
        roundFrameWait(g);
        EXPECT_EQ(g.frameWait, c.wait) << label;
    }
}

TEST(Calibration, TwoHundredThirtyFramesWithoutWaitingAndTheSpaceBarFires) {
    Game game;
    auto& g = game.g();
    g.obj = {}; // the ship is not placed yet during the measurement
    std::vector<int16_t> counters;
    uint32_t tick = 0xFFFFFF00u;
    int tickReads = 0;
    CalibrationServices services;
    services.renderFrame = [&](GameState& s) {
        counters.push_back(s.scrollCounter);
        EXPECT_EQ(s.mapRow, 0);
        tick += 20; // 230 frames of 20 ms: 4600 ms across the wrap
    };
    services.tickCount = [&] {
        ++tickReads;
        return tick;
    };
    shooter_test::press(platform::keys::kSpace);
    shooter_test::press(platform::keys::kUp);
    shooter_test::press(platform::keys::kLeft);
    measureSpeed(g, services);

    ASSERT_EQ(counters.size(), 230u);
    EXPECT_EQ(counters.front(), 230);
    EXPECT_EQ(counters.back(), 1);
    EXPECT_EQ(tickReads, 2);
    EXPECT_EQ(g.speedFactor, 2) << "4600 ms is over the budget";
    EXPECT_EQ(g.framesPerRow, 8);
    // One shot for the held bar, from the unplaced ship at the top: it left the playfield at once.
    EXPECT_EQ(game.sounds.size(), 1u);
    EXPECT_EQ(g.shotActive[0] + g.shotActive[1] + g.shotActive[2], 0);
    EXPECT_EQ(g.obj.x[kShipSlot], 0) << "left stops at 0";
    EXPECT_EQ(g.obj.y[kShipSlot], -30) << "up stops once past -30";
    EXPECT_EQ(g.obj.y[kSightSlot], 0) << "the sight does not follow";
}
