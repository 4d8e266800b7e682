#include "game_fixture.hpp"
#include "shooter/air_enemies.hpp"

#include <algorithm>

using namespace shooter;
using shooter_test::Game;
using shooter_test::seedWhere;

TEST(AirWave, StartsFourEnemiesWhenTheDrawIsBelowSpeedOver200) {
    struct Case {
        int16_t speedFactor;
        double draw;
        bool starts;
    };
    const Case cases[] = {
        {1, 0.00499, true}, {1, 0.005, false},   {1, 0.0, true},    {2, 0.00999, true},
        {2, 0.01, false},   {16, 0.07999, true}, {16, 0.08, false},
    };
    for (const Case& c : cases) {
        Game game;
        game.setSpeed(c.speedFactor);
        seedWhere([&] { return rt::rtRnd() == c.draw; });
        spawnAirWave(game.g());
        EXPECT_EQ(game.liveCount(kFirstEnemySlot, kEnemyCount), c.starts ? 4 : 0)
            << "speed " << c.speedFactor << " draw " << c.draw;
        if (c.starts) {
            for (int s = 9; s <= 12; ++s) EXPECT_EQ(game.o().kind[s], kKindEnemy) << "slot " << s;
        }
    }
}

TEST(AirWave, WaveFillsOnlyTheFreeSlotsLowestFirst) {
    struct Case {
        std::vector<int> free;
        int expectStarted;
    };
    const Case cases[] = {{{11, 17}, 2}, {{}, 0}, {{20}, 1}, {{9, 10, 13, 19, 20}, 4}};
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        for (int s = 9; s <= 20; ++s) {
            o.kind[s] = kKindEnemy;
            o.frame[s] = 2;
            o.x[s] = -5;
        }
        for (int s : c.free) o.kind[s] = 0;
        seedWhere([] { return rt::rtRnd() < 0.005; });
        spawnAirWave(game.g());
        int started = 0;
        for (size_t n = 0; n < c.free.size(); ++n) {
            const int s = c.free[n];
            const bool expectStart = static_cast<int>(n) < c.expectStarted;
            EXPECT_EQ(o.kind[s] != 0, expectStart) << "slot " << s;
            if (o.kind[s] != 0) {
                ++started;
                EXPECT_EQ(o.frame[s], 1);
                EXPECT_EQ(o.y[s], 0);
            }
        }
        EXPECT_EQ(started, c.expectStarted);
        for (int s = 9; s <= 20; ++s) {
            if (std::find(c.free.begin(), c.free.end(), s) == c.free.end()) {
                EXPECT_EQ(o.x[s], -5) << "busy slot " << s << " was touched";
            }
        }
    }
}

TEST(AirEnemy, AimsAtTheShipAndTurnsWhenItsCountRunsOut) {
    struct Case {
        int16_t speedFactor;
        double expectDX, expectDY;
        int16_t expectCount;
    };
    // x 300 and n 250 from the generator; ship at (100, 400).
    const Case cases[] = {{1, -1.6, 3.2, 75}, {2, -3.2, 6.4, 37}, {16, -25.6, 51.2, 4}};
    for (const Case& c : cases) {
        Game game;
        auto& g = game.g();
        auto& o = game.o();
        game.setSpeed(c.speedFactor);
        g.playerX = 100;
        g.playerY = 400;
        seedWhere([] { return rt::rtInt(rt::rtRnd() * 512) == 300 && rt::rtInt(rt::rtRnd() * 100) == 50; });
        spawnAirEnemy(g);
        ASSERT_EQ(o.kind[9], kKindEnemy);
        EXPECT_EQ(o.x[9], 300);
        EXPECT_DOUBLE_EQ(g.enemyDX[0], c.expectDX);
        EXPECT_DOUBLE_EQ(g.enemyDY[0], c.expectDY);
        EXPECT_EQ(g.enemyCount[0], c.expectCount);
        for (int frame = 1; frame <= c.expectCount; ++frame) moveAirEnemies(g);
        EXPECT_EQ(o.frame[9], 1) << "still approaching after " << c.expectCount << " frames";
        EXPECT_EQ(game.liveCount(kFirstBulletSlot, kBulletCount), 0);
        moveAirEnemies(g);
        EXPECT_EQ(o.frame[9], 2) << "turns on frame " << c.expectCount + 1;
        EXPECT_EQ(g.enemyCount[0], -1);
        ASSERT_EQ(o.kind[21], kKindBullet) << "fires as it turns";
        EXPECT_DOUBLE_EQ(o.x[21], o.x[9] + 10);
        EXPECT_DOUBLE_EQ(o.y[21], o.y[9] + 12);
        const double yAtTurn = o.y[9];
        moveAirEnemies(g);
        EXPECT_DOUBLE_EQ(o.y[9], yAtTurn - c.expectDY) << "vertical motion reverses";
        EXPECT_EQ(game.liveCount(kFirstBulletSlot, kBulletCount), 1) << "fires only once";
    }
}

TEST(AirEnemy, TurningEnemyLeavesOutsideMinus32To512) {
    struct Case {
        double x, y, dx, dy;
        bool alive;
    };
    const Case cases[] = {
        {-31, 100, -1, 0, true},   {-31, 100, -1.5, 0, false}, {511, 100, 1, 0, true},
        {511, 100, 1.5, 0, false}, {100, -31, 0, 1, true},     {100, -31, 0, 1.5, false},
        {100, 511, 0, -1, true},   {100, 511, 0, -1.5, false},
    };
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        o.kind[15] = kKindEnemy;
        o.frame[15] = 2;
        o.x[15] = c.x;
        o.y[15] = c.y;
        game.g().enemyDX[6] = c.dx;
        game.g().enemyDY[6] = c.dy;
        moveAirEnemies(game.g());
        EXPECT_EQ(o.kind[15] != 0, c.alive)
            << "x " << c.x << " y " << c.y << " dx " << c.dx << " dy " << c.dy;
    }
}

TEST(EnemyBullet, FliesAlongItsMajorAxisAtTwiceTheSpeedFactor) {
    struct Case {
        double dx, dy;
        int16_t speedFactor;
        double expectVX, expectVY;
    };
    const Case cases[] = {
        {30, 40, 1, 1.5, 2},     {-40, 40, 1, -2, 2}, {40, 30, 1, 2, 1.5},
        {-40, -30, 1, -2, -1.5}, {10, -40, 2, 1, -4}, {0, 0, 1, 0, 2},
        {0, 0, 8, 0, 16},        {-1, 0, 1, -2, 0},   {0, -3, 4, 0, -8},
    };
    for (const Case& c : cases) {
        Game game;
        auto& g = game.g();
        auto& o = game.o();
        game.setSpeed(c.speedFactor);
        o.kind[70] = 12;
        o.x[70] = 50;
        o.y[70] = 60;
        // The bullet starts at (60, 72); the aim point is the ship plus (12, 12).
        g.playerX = 60 + c.dx - 12;
        g.playerY = 72 + c.dy - 12;
        fireEnemyBullet(g, 70);
        ASSERT_EQ(o.kind[21], kKindBullet);
        EXPECT_EQ(o.frame[21], 1);
        EXPECT_EQ(o.x[21], 60);
        EXPECT_EQ(o.y[21], 72);
        EXPECT_DOUBLE_EQ(g.bulletVX[0], c.expectVX) << "dx " << c.dx << " dy " << c.dy;
        EXPECT_DOUBLE_EQ(g.bulletVY[0], c.expectVY) << "dx " << c.dx << " dy " << c.dy;
    }
}

TEST(EnemyBullet, TakesTheLowestFreeSlotOrIsDropped) {
    Game game;
    auto& g = game.g();
    auto& o = game.o();
    for (int s = 21; s <= 50; ++s) {
        o.kind[s] = kKindBullet;
        o.x[s] = -1;
    }
    fireEnemyBullet(g, 0);
    for (int s = 21; s <= 50; ++s) ASSERT_EQ(o.x[s], -1) << "slot " << s;
    o.kind[40] = 0;
    o.kind[33] = 0;
    fireEnemyBullet(g, 0);
    EXPECT_EQ(o.x[33], 110);
    EXPECT_EQ(o.kind[40], 0);
}

TEST(EnemyBullet, FreedWhenItLeavesTheField) {
    struct Case {
        double x, y;
        bool alive;
    };
    const Case cases[] = {
        {100, 474.0, true}, {100, 474.5, false}, {-8, 100, true}, {-8.5, 100, false},
        {512, 100, true},   {512.5, 100, false}, {100, 0, true},  {100, -0.5, false},
    };
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        o.kind[30] = kKindBullet;
        o.x[30] = c.x - 1;
        o.y[30] = c.y - 2;
        game.g().bulletVX[9] = 1;
        game.g().bulletVY[9] = 2;
        moveEnemyBullets(game.g());
        EXPECT_EQ(o.x[30], c.x);
        EXPECT_EQ(o.y[30], c.y);
        EXPECT_EQ(o.kind[30] != 0, c.alive) << "x " << c.x << " y " << c.y;
        EXPECT_TRUE(o.frame[30] == 1 || o.frame[30] == 2) << "frame " << o.frame[30];
    }
}

TEST(EnemyBullet, FlickersBetweenItsTwoFramesByTheGenerator) {
    Game game;
    auto& o = game.o();
    o.kind[21] = kKindBullet;
    o.y[21] = 100;
    int seen[3] = {0, 0, 0};
    for (int n = 0; n < 200; ++n) {
        moveEnemyBullets(game.g());
        ASSERT_TRUE(o.frame[21] == 1 || o.frame[21] == 2) << "frame " << o.frame[21];
        ++seen[o.frame[21]];
    }
    EXPECT_GT(seen[1], 50);
    EXPECT_GT(seen[2], 50);
}
