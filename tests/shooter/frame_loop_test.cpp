#include "game_fixture.hpp"
#include "shooter/frame_loop.hpp"
#include "shooter/ground_objects.hpp"

#include <vector>

using namespace shooter;
using shooter_test::Game;

namespace {
struct Recorder {
    std::vector<int> counters, rows, sleeps;
    FrameServices services() {
        FrameServices s;
        s.renderFrame = [this](GameState& g) {
            counters.push_back(g.scrollCounter);
            rows.push_back(g.mapRow);
        };
        s.sleep = [this](int32_t ms) { sleeps.push_back(ms); };
        return s;
    }
};
} // namespace

TEST(FrameLoop, OnePassRunsFromTheLastRowDownAndEachFrameSleeps) {
    struct Case {
        int16_t lastRow;
        int16_t speedFactor;
        double frameWait;
        int expectFrames;
        int expectFirstRow;
        int expectSleep;
    };
    const Case cases[] = {
        {3, 1, 2.9, 3 * 16 + 1, 3, 2}, {3, 2, 0, 3 * 8 + 1, 3, 0},
        {10, 16, 1, 10 + 1, 10, 1},    {0, 1, 4, 1, 0, 4}, // a one-row map: one frame per pass, always row 0
        {-1, 1, 0, 1, 0, 0},                               // a missing or empty map is one empty row
        {-1, 4, 3.5, 1, 0, 3},                             // and still waits every frame
    };
    for (const Case& c : cases) {
        Game game;
        auto& g = game.g();
        game.setSpeed(c.speedFactor);
        g.lastRow = c.lastRow;
        g.frameWait = c.frameWait;
        Recorder rec;
        runPass(g, rec.services());
        ASSERT_EQ(static_cast<int>(rec.counters.size()), c.expectFrames) << "lastRow " << c.lastRow;
        EXPECT_EQ(rec.rows.front(), c.expectFirstRow);
        EXPECT_EQ(rec.rows.back(), 0);
        EXPECT_EQ(rec.counters.back(), 0);
        ASSERT_EQ(rec.sleeps.size(), rec.counters.size()) << "every frame waits";
        for (int ms : rec.sleeps) EXPECT_EQ(ms, c.expectSleep);
        EXPECT_EQ(g.scrollCounter, -1);
    }
}

TEST(FrameLoop, MapRowIsTheCounterFlooredOverFramesPerRow) {
    Game game;
    auto& g = game.g();
    game.setSpeed(2); // 8 frames per row
    g.lastRow = 2;
    Recorder rec;
    runPass(g, rec.services());
    const std::vector<int> expectRows = {2, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(rec.rows, expectRows);
    EXPECT_EQ(rec.counters.front(), 16);
}

TEST(FrameLoop, NextPassStartsAgainFromTheLastRowAndObjectsCarryOn) {
    Game game;
    auto& g = game.g();
    g.lastRow = 1;
    Recorder rec;
    runPass(g, rec.services());
    game.o().kind[kFirstWreckSlot] = kKindWreck; // something in flight at the end of a pass
    game.o().y[kFirstWreckSlot] = 10;
    game.g().wreckTimer[0] = -5;
    rec.counters.clear();
    rec.rows.clear();
    runPass(g, rec.services());
    EXPECT_EQ(rec.counters.front(), 16);
    EXPECT_EQ(rec.rows.front(), 1);
    EXPECT_EQ(game.o().kind[kFirstWreckSlot], kKindWreck);
    EXPECT_EQ(game.o().y[kFirstWreckSlot], 10 + 17);
}

TEST(FrameLoop, AFirstPassFromARowStartsThereAndNoObjectOfTheRowsBelowIt) {
    // Rows 0..5, a still object (code 1) in column c of row c; the pass starts at fromRow.
    const struct Case {
        int fromRow;
        int firstRow;
        int frames;
        std::vector<double> objectsX; // the columns whose objects started, as x, in order
    } cases[] = {
        {3, 3, 3 * 16 + 1, {48, 32, 16, 0}},
        {0, 0, 1, {0}},
        {5, 5, 5 * 16 + 1, {80, 64, 48, 32, 16, 0}}, // the last row: as without it
        {-1, 5, 5 * 16 + 1, {80, 64, 48, 32, 16, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fromRow);
        Game game;
        auto& g = game.g();
        g.lastRow = 5;
        for (int row = 0; row <= 5; ++row) g.mapCells[static_cast<size_t>(row * kMapColumns + row)] = 0x0106;
        Recorder rec;
        FrameServices services = rec.services();
        services.renderFrame = [&rec, inner = services.renderFrame](GameState& s) {
            inner(s);
            startRowObjects(s);
        };
        runPass(g, services, c.fromRow);
        EXPECT_EQ(static_cast<int>(rec.counters.size()), c.frames);
        EXPECT_EQ(rec.rows.front(), c.firstRow);
        std::vector<double> started;
        for (int slot = kFirstGroundSlot; slot < kFirstGroundSlot + kGroundCount; ++slot)
            if (game.o().kind[slot] != 0) started.push_back(game.o().x[slot]);
        EXPECT_EQ(started, c.objectsX);
        // The next pass comes from the last row again.
        rec.rows.clear();
        runPass(g, rec.services());
        EXPECT_EQ(rec.rows.front(), 5);
    }
}

TEST(FrameLoop, AimersSeeTheShipWhereTheInputStepLeftIt) {
    Game game;
    auto& g = game.g();
    shooter_test::press(37);
    shooter_test::press(38);
    double seenX = 0, seenY = 0;
    FrameServices s;
    s.renderFrame = [&](GameState& st) {
        seenX = st.playerX;
        seenY = st.playerY;
    };
    runFrame(g, s);
    EXPECT_EQ(seenX, 98);
    EXPECT_EQ(seenY, 398);
}
