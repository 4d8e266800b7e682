#include "game_fixture.hpp"
#include "shooter/ground_objects.hpp"

#include <utility>

using namespace shooter;
using shooter_test::Game;

namespace {
constexpr int16_t kPath = 0x1000;

// A kind-14 vehicle in ground slot 61 + i at the given map cell, heading d.
void placeVehicle(Game& game, int i, double col, double row, int16_t d) {
    auto& o = game.o();
    const int slot = kFirstGroundSlot + i;
    o.kind[slot] = 14;
    o.frame[slot] = 1;
    o.x[slot] = 200;
    o.y[slot] = 200;
    game.g().pathCol[i] = col;
    game.g().pathRow[i] = row;
    game.g().pathDir[i] = d;
    game.g().pathStep[i] = 0;
    game.g().groundTimer[i] = 100;
}
} // namespace

TEST(GroundObjects, EachCodeStartsItsObject) {
    struct Case {
        int16_t code;
        int16_t expectKind;
        int timerLow, timerHigh; // 0, 0: no timer set
    };
    const Case cases[] = {
        {0x100, 11, 0, 0},   {0x200, 12, 50, 149}, {0x300, 13, 0, 0}, {0x400, 14, 50, 149},
        {0x500, 15, 30, 79}, {0x600, 0, 0, 0},     {0x800, 0, 0, 0},  {static_cast<int16_t>(0xF00), 0, 0, 0},
    };
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        game.g().groundTimer[0] = -999;
        spawnGroundObject(game.g(), c.code, 5, 7);
        EXPECT_EQ(o.kind[61], c.expectKind) << "code " << c.code;
        EXPECT_EQ(o.kind[kFortressSlot], 0);
        if (c.expectKind == 0) continue;
        EXPECT_EQ(o.x[61], 80);
        EXPECT_EQ(o.y[61], 0);
        EXPECT_EQ(o.frame[61], 1);
        if (c.timerHigh == 0) {
            EXPECT_EQ(game.g().groundTimer[0], -999) << "code " << c.code;
        } else {
            EXPECT_GE(game.g().groundTimer[0], c.timerLow) << "code " << c.code;
            EXPECT_LE(game.g().groundTimer[0], c.timerHigh) << "code " << c.code;
        }
    }
}

TEST(GroundObjects, RowOf25CodesWith18BusySlotsStartsTheTwoLeftmost) {
    Game game;
    auto& g = game.g();
    auto& o = game.o();
    for (int s = 61; s <= 80; ++s) {
        o.kind[s] = 13;
        o.x[s] = -3;
    }
    o.kind[63] = 0;
    o.kind[70] = 0;
    g.mapRow = 4;
    g.scrollCounter = 4 * g.framesPerRow;
    for (int col = 0; col < 25; ++col) game.setCell(col, 4, static_cast<int16_t>(col < 10 ? 0x0206 : 0x0103));
    startRowObjects(g);
    EXPECT_EQ(o.kind[63], 12);
    EXPECT_EQ(o.x[63], 0);
    EXPECT_EQ(o.kind[70], 12);
    EXPECT_EQ(o.x[70], 16);
    for (int s = 61; s <= 80; ++s) {
        if (s != 63 && s != 70) {
            EXPECT_EQ(o.x[s], -3) << "busy slot " << s;
        }
    }
}

TEST(GroundObjects, RowObjectsStartOnlyWhenTheRowIsDue) {
    struct Case {
        int16_t counter;
        bool due;
    };
    const Case cases[] = {{48, true}, {47, false}, {49, false}, {0, true}};
    for (const Case& c : cases) {
        Game game;
        auto& g = game.g();
        g.scrollCounter = c.counter;
        g.mapRow = static_cast<int16_t>(c.counter / 16);
        game.setCell(31, g.mapRow, 0x0100);
        game.setCell(32, g.mapRow, 0x0100); // beyond the last column: never starts anything
        startRowObjects(g);
        EXPECT_EQ(game.liveCount(kFirstGroundSlot, kGroundCount), c.due ? 1 : 0) << "counter " << c.counter;
        if (c.due) {
            EXPECT_EQ(game.o().x[61], 31 * 16);
        }
    }
}

TEST(GroundObjects, FortressCodeNeedsAFreeGroundSlotAndLeavesItFree) {
    struct Case {
        bool groundFull;
        bool fortressInPlay;
        bool expectStart;
    };
    const Case cases[] = {{false, false, true}, {true, false, false}, {false, true, true}};
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        if (c.groundFull) {
            for (int s = 61; s <= 80; ++s) o.kind[s] = 11;
        }
        if (c.fortressInPlay) {
            o.kind[53] = kKindFortress;
            o.frame[53] = 3;
            o.y[53] = 300;
            game.g().fortressTimer = 500;
        }
        spawnGroundObject(game.g(), 0x900, 3, 3);
        if (!c.groundFull) {
            EXPECT_EQ(o.kind[61], 0) << "the ground slot stays free";
        }
        EXPECT_EQ(o.kind[53] == kKindFortress && o.y[53] == -192, c.expectStart);
        if (c.expectStart) {
            EXPECT_EQ(o.x[53], 160);
            EXPECT_EQ(o.frame[53], 1);
            EXPECT_EQ(game.g().fortressTimer, 0);
        }
    }
}

TEST(PathCells, OffTheMapIsNeverAPathCell) {
    struct Case {
        double col, row;
        bool expect;
    };
    Game game;
    for (int r : {0, 5, 1000}) {
        for (int col = 0; col <= 32; ++col) game.setCell(col, r, kPath);
    }
    game.setCell(4, 6, static_cast<int16_t>(0x3000)); // other flag values are not a path
    game.setCell(5, 6, static_cast<int16_t>(0x1207)); // tile and ground bits do not matter
    const Case cases[] = {
        {0, 0, true},   {31, 0, true},    {32, 0, false},    {-1, 0, false},
        {0, -1, false}, {10, 1000, true}, {10, 1001, false}, {31.9, 5.5, true},
        {4, 6, false},  {5, 6, true},     {6, 6, false},     {32, 1000, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isPathCell(game.g(), c.col, c.row), c.expect) << "col " << c.col << " row " << c.row;
    }
}

TEST(PathCells, VehicleStartsTowardsItsFirstPathNeighbour) {
    struct Case {
        const char* name;
        int col, row;
        std::vector<std::pair<int, int>> paths;
        int16_t expectDir; // -1: not set (stays as it was)
    };
    const Case cases[] = {
        {"only up", 10, 10, {{10, 9}}, 5},
        {"only down-left", 10, 10, {{9, 11}}, 0},
        {"left and right: right (3) before left (7)", 10, 10, {{9, 10}, {11, 10}}, 3},
        {"every neighbour: 0 first", 10, 10, {{9, 11}, {10, 11}, {11, 9}, {9, 9}}, 0},
        {"none", 10, 10, {}, -1},
        {"row 0: row -1 is off the map", 3, 0, {{2, 0}}, 7},
        {"last column: column 32 is off the map", 31, 4, {{32, 4}, {30, 3}}, 6},
        {"first column, last row", 0, 1000, {{1, 1000}}, 3},
    };
    for (const Case& c : cases) {
        Game game;
        for (const auto& [pc, pr] : c.paths) game.setCell(pc, pr, kPath);
        game.g().pathDir[0] = -1;
        spawnGroundObject(game.g(), 0x400, static_cast<int16_t>(c.col), static_cast<int16_t>(c.row));
        EXPECT_EQ(game.o().kind[61], 14) << c.name;
        EXPECT_EQ(game.g().pathDir[0], c.expectDir) << c.name;
        EXPECT_EQ(game.g().pathCol[0], c.col) << c.name;
        EXPECT_EQ(game.g().pathRow[0], c.row) << c.name;
        EXPECT_EQ(game.g().pathStep[0], 0) << c.name;
    }
}

TEST(PathCells, VehicleGoingUpAtSpeed1StaysStillOnScreen) {
    Game game;
    for (int row = 0; row <= 20; ++row) game.setCell(8, row, kPath);
    spawnGroundObject(game.g(), 0x400, 8, 20);
    ASSERT_EQ(game.g().pathDir[0], 5);
    game.o().y[61] = 100;
    for (int frame = 1; frame <= 40; ++frame) {
        moveGroundObjects(game.g());
        ASSERT_EQ(game.o().y[61], 100) << "frame " << frame;
        ASSERT_EQ(game.o().x[61], 128) << "frame " << frame;
    }
    EXPECT_EQ(game.g().pathRow[0], 20 - 40 / 16);
    EXPECT_EQ(game.g().pathStep[0], 40 % 16);
}

TEST(PathCells, AtSpeed2TheCellAdvancesEvery8Steps) {
    Game game;
    game.setSpeed(2);
    for (int col = 0; col <= 31; ++col) game.setCell(col, 3, kPath);
    placeVehicle(game, 2, 4, 3, 3); // heading right
    for (int frame = 1; frame <= 24; ++frame) {
        moveGroundObjects(game.g());
        EXPECT_EQ(game.g().pathCol[2], 4 + frame / 8) << "frame " << frame;
        EXPECT_EQ(game.g().pathStep[2], frame % 8) << "frame " << frame;
        EXPECT_EQ(game.o().x[63], 200 + 2 * frame) << "frame " << frame;
        EXPECT_EQ(game.o().y[63], 200 + 2 * frame) << "frame " << frame;
    }
}

TEST(PathCells, AtThePathsEndTheVehicleTurnsFromMinus3AndReversesLast) {
    struct Case {
        const char* name;
        int16_t dir;
        std::vector<std::pair<int, int>> paths; // around the vehicle's cell (10, 10)
        int16_t expectDir;
        double expectDX, expectDY; // the turning step
    };
    const Case cases[] = {
        {"right, down and up open: down (d-2)", 3, {{10, 11}, {10, 9}}, 1, 0, 1},
        {"right, only up-left open (d+3)", 3, {{9, 9}}, 6, -1, -1},
        {"right, only up open (d+2)", 3, {{10, 9}}, 5, 0, -1},
        {"right, down-left open (d-3) wins", 3, {{9, 11}, {10, 11}}, 0, -1, 1},
        {"right, dead end: reverses", 3, {{9, 10}}, 7, -1, 0},
        {"up, dead end: reverses", 5, {{10, 11}}, 1, 0, 1},
        {"down-left wraps to d-3 = 5", 0, {{10, 9}, {9, 10}}, 5, 0, -1},
        {"no neighbour: no step, heading ends reversed", 3, {}, 7, 0, 0},
    };
    for (const Case& c : cases) {
        Game game;
        for (const auto& [pc, pr] : c.paths) game.setCell(pc, pr, kPath);
        game.setCell(10, 10, kPath);
        placeVehicle(game, 0, 10, 10, c.dir);
        game.g().pathStep[0] = 5;
        moveGroundObjects(game.g());
        EXPECT_EQ(game.g().pathDir[0], c.expectDir) << c.name;
        EXPECT_EQ(game.o().x[61], 200 + c.expectDX) << c.name;
        EXPECT_EQ(game.o().y[61], 200 + c.expectDY + 1) << c.name; // plus the scroll
        EXPECT_EQ(game.g().pathStep[0], 5) << c.name << ": a turn is not a step";
        EXPECT_EQ(game.g().pathCol[0], 10) << c.name;
        EXPECT_EQ(game.g().pathRow[0], 10) << c.name;
    }
}

TEST(PathCells, VehicleLeavesOutsideTheField) {
    struct Case {
        double x, y;
        bool alive;
    };
    const Case cases[] = {{0, 0, true},      {-0.5, 10, false}, {512, 10, true},   {512.5, 10, false},
                          {10, -1.5, false}, {10, 474, true},   {10, 474.5, false}};
    for (const Case& c : cases) {
        Game game;
        placeVehicle(game, 0, 10, 10, 3); // no path cells: it only scrolls
        game.o().x[61] = c.x;
        game.o().y[61] = c.y - 1;
        moveGroundObjects(game.g());
        EXPECT_EQ(game.o().kind[61] != 0, c.alive) << "x " << c.x << " y " << c.y;
    }
}

TEST(Turrets, FireOnceWhenTheTimerReachesZeroAndRestartBelowMinus10) {
    struct Case {
        int16_t kind;
        int16_t timer;
        int16_t speedFactor;
        int fireCall;
        int resetCall;
    };
    const Case cases[] = {
        {12, 60, 1, 60, 71}, {14, 60, 1, 60, 71}, {12, 60, 4, 15, 18},
        {12, 62, 4, 16, 19}, {12, 3, 16, 1, 1},   {12, 10, 8, 2, 3},
    };
    for (const Case& c : cases) {
        Game game;
        auto& g = game.g();
        auto& o = game.o();
        game.setSpeed(c.speedFactor);
        if (c.kind == 14) {
            placeVehicle(game, 0, 10, 10, 3);
        } else {
            o.kind[61] = c.kind;
            o.frame[61] = 1;
            o.y[61] = 0;
        }
        g.groundTimer[0] = c.timer;
        g.playerX = 300;
        g.playerY = 300;
        int fired = 0, firedAt = 0, resetAt = 0;
        int16_t previous = c.timer;
        for (int call = 1; call <= c.resetCall && resetAt == 0; ++call) {
            const int before = game.liveCount(kFirstBulletSlot, kBulletCount);
            moveGroundObjects(g);
            if (game.liveCount(kFirstBulletSlot, kBulletCount) > before) {
                ++fired;
                firedAt = call;
            }
            const int16_t t = g.groundTimer[0];
            if (t > previous) resetAt = call;
            previous = t;
            const int16_t expectFrame = resetAt != 0 ? 1 : t < -5 ? 2 : t < 5 ? 3 : t < 10 ? 2 : 1;
            EXPECT_EQ(o.frame[61], expectFrame) << "kind " << c.kind << " call " << call << " timer " << t;
        }
        EXPECT_EQ(fired, 1) << "kind " << c.kind << " timer " << c.timer << " speed " << c.speedFactor;
        EXPECT_EQ(firedAt, c.fireCall)
            << "kind " << c.kind << " timer " << c.timer << " speed " << c.speedFactor;
        EXPECT_EQ(resetAt, c.resetCall)
            << "kind " << c.kind << " timer " << c.timer << " speed " << c.speedFactor;
        EXPECT_LE(g.groundTimer[0], 149);
        if (fired == 1) {
            EXPECT_EQ(o.x[21], o.x[61] + 10);
        }
    }
}

TEST(Guns, FireWhenTheTimerReachesZeroThenWait20To49Frames) {
    Game game;
    auto& g = game.g();
    auto& o = game.o();
    o.kind[64] = 15;
    o.frame[64] = 1;
    o.y[64] = 0;
    g.groundTimer[3] = 3;
    std::vector<int> fireCalls;
    int16_t lastReload = 0;
    for (int call = 1; call <= 200; ++call) {
        const int before = game.liveCount(kFirstBulletSlot, kBulletCount);
        moveGroundObjects(g);
        if (game.liveCount(kFirstBulletSlot, kBulletCount) > before) {
            if (!fireCalls.empty()) {
                EXPECT_EQ(call - fireCalls.back(), lastReload) << "call " << call;
            }
            fireCalls.push_back(call);
            lastReload = g.groundTimer[3];
            EXPECT_GE(lastReload, 20);
            EXPECT_LE(lastReload, 49);
        }
        for (int s = 21; s <= 50; ++s) o.kind[s] = 0; // keep bullet slots free
        EXPECT_EQ(o.frame[64], 1) << "guns do not animate";
    }
    ASSERT_FALSE(fireCalls.empty());
    EXPECT_EQ(fireCalls.front(), 3);
    EXPECT_GE(fireCalls.size(), 5u);
}

TEST(Guns, TimerAtOrBelowZeroFiresAtAnySpeed) {
    struct Case {
        int16_t timer, speedFactor;
        bool fires;
    };
    const Case cases[] = {{16, 16, true}, {17, 16, false}, {1, 1, true}, {2, 1, false}, {-40, 1, true}};
    for (const Case& c : cases) {
        Game game;
        game.setSpeed(c.speedFactor);
        game.o().kind[61] = 15;
        game.g().groundTimer[0] = c.timer;
        moveGroundObjects(game.g());
        EXPECT_EQ(game.o().kind[21] == kKindBullet, c.fires) << "timer " << c.timer;
    }
}

TEST(GroundObjects, StandingObjectsScrollAndLeaveBelow474) {
    struct Case {
        int16_t kind;
        double y;
        int16_t speedFactor;
        bool alive;
    };
    const Case cases[] = {{11, 473, 1, true},   {11, 473.5, 1, false}, {13, 458, 16, true},
                          {13, 459, 16, false}, {12, 470, 4, true},    {15, 471, 4, false}};
    for (const Case& c : cases) {
        Game game;
        game.setSpeed(c.speedFactor);
        game.o().kind[75] = c.kind;
        game.o().y[75] = c.y;
        game.g().groundTimer[14] = 40;
        moveGroundObjects(game.g());
        EXPECT_EQ(game.o().y[75], c.y + c.speedFactor);
        EXPECT_EQ(game.o().kind[75] != 0, c.alive) << "kind " << c.kind << " y " << c.y;
    }
}
