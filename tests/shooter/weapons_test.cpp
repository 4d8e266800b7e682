#include "game_fixture.hpp"
#include "shooter/frame_loop.hpp"
#include "shooter/weapons.hpp"

using namespace shooter;
using shooter_test::Game;

TEST(Shots, HitBoxBoundsAfterTruncation) {
    struct Case {
        double dx, dy;
        bool hit;
    };
    const Case cases[] = {
        {31, 32, true},  {32, 0, false},  {-31, 0, true},      {-32, 0, false},
        {0, 33, false},  {0, -1, false},  {31.9, 0, true},     {-31.9, 0, true},
        {0, 32.9, true}, {0, -0.9, true}, {-31.9, 32.9, true}, {32.1, 5, false},
    };
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        auto& g = game.g();
        g.shotActive[1] = 1;
        o.kind[7] = kKindShot;
        o.x[7] = 200;
        o.y[7] = 100;
        o.kind[12] = kKindEnemy; // enemy index 3
        o.x[12] = 200 + c.dx;
        o.y[12] = 100 + c.dy;
        shotHitTest(g, 1);
        EXPECT_EQ(o.kind[12] == 0, c.hit) << "dx " << c.dx << " dy " << c.dy;
        EXPECT_EQ(o.kind[7] == 0, c.hit) << "dx " << c.dx << " dy " << c.dy;
        EXPECT_EQ(g.shotActive[1] == 0, c.hit) << "dx " << c.dx << " dy " << c.dy;
        if (c.hit) {
            EXPECT_EQ(o.kind[3], kKindFlash);
            EXPECT_EQ(o.frame[3], 1);
            EXPECT_EQ(o.x[3], o.x[12]);
            EXPECT_EQ(o.y[3], o.y[12]);
            EXPECT_EQ(g.flashTimer[0], 15);
        } else {
            EXPECT_EQ(o.kind[3], 0);
        }
    }
}

TEST(Shots, OneShotDestroysOnlyTheFirstEnemyInRange) {
    Game game;
    auto& o = game.o();
    auto& g = game.g();
    g.shotActive[0] = 1;
    o.kind[6] = kKindShot;
    o.x[6] = 50;
    o.y[6] = 50;
    for (int slot : {10, 15}) {
        o.kind[slot] = kKindEnemy;
        o.x[slot] = 50;
        o.y[slot] = 60;
    }
    o.kind[3] = kKindFlash; // the first flash slot is busy: the next free one is used
    shotHitTest(g, 0);
    EXPECT_EQ(o.kind[10], 0);
    EXPECT_EQ(o.kind[15], kKindEnemy);
    EXPECT_EQ(o.kind[4], kKindFlash);
    EXPECT_EQ(g.flashTimer[1], 15);
    EXPECT_EQ(o.kind[5], 0);
}

TEST(Shots, HitWithEveryFlashSlotBusyStillDestroysTheEnemy) {
    Game game;
    auto& o = game.o();
    auto& g = game.g();
    for (int s = 3; s <= 5; ++s) {
        o.kind[s] = kKindFlash;
        o.x[s] = -77;
    }
    g.flashTimer = {3, 4, 5};
    g.shotActive[2] = 1;
    o.kind[8] = kKindShot;
    o.x[8] = 10;
    o.y[8] = 10;
    o.kind[20] = kKindEnemy;
    o.x[20] = 10;
    o.y[20] = 20;
    shotHitTest(g, 2);
    EXPECT_EQ(o.kind[20], 0);
    EXPECT_EQ(g.shotActive[2], 0);
    for (int s = 3; s <= 5; ++s) EXPECT_EQ(o.x[s], -77) << "flash slot " << s << " overwritten";
    EXPECT_EQ(g.flashTimer[0], 3);
}

TEST(Shots, ShotEndsWhenItLeavesTheTopEvenOnTheFrameItHits) {
    struct Case {
        const char* name;
        double shotY;
        bool enemy;
        bool expectInFlight;
        double expectY;
    };
    const Case cases[] = {
        {"still on screen", 8, false, true, 0},
        {"just above the top", 7.5, false, false, -0.5},
        {"hits and leaves the top", 5, true, false, -3},
    };
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        auto& g = game.g();
        g.shotActive[0] = 1;
        o.kind[6] = kKindShot;
        o.x[6] = 100;
        o.y[6] = c.shotY;
        if (c.enemy) {
            o.kind[9] = kKindEnemy;
            o.x[9] = 100;
            o.y[9] = 7;
        }
        moveShots(g);
        EXPECT_EQ(o.y[6], c.expectY) << c.name;
        EXPECT_EQ(g.shotActive[0] == 1, c.expectInFlight) << c.name;
        EXPECT_EQ(o.kind[6] != 0, c.expectInFlight) << c.name;
        if (c.enemy) {
            EXPECT_EQ(o.kind[9], 0) << c.name;
        }
    }
}

TEST(Bomb, LandsOnItsMarkerAfterCeil30OverSpeedFrames) {
    struct Case {
        int16_t speedFactor;
        int landingFrame;
        int smallPictureFrame; // frame in which the bomb changes to its second picture
    };
    const Case cases[] = {{1, 30, 9}, {2, 15, 5}, {4, 8, 3}, {8, 4, 2}, {16, 2, 1}};
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        auto& g = game.g();
        game.setSpeed(c.speedFactor);
        shooter_test::press(kKeyBomb);
        inputStep(g);
        int landed = 0, small = 0;
        for (int frame = 1; frame <= 40 && landed == 0; ++frame) {
            moveBomb(g);
            if (small == 0 && o.frame[kBombSlot] == 3) small = frame;
            if (o.kind[kBombSlot] == 0) landed = frame;
        }
        EXPECT_EQ(landed, c.landingFrame) << "speed " << c.speedFactor;
        EXPECT_EQ(small, c.smallPictureFrame) << "speed " << c.speedFactor;
        EXPECT_EQ(o.kind[kMarkerSlot], 0) << "speed " << c.speedFactor;
        if (c.speedFactor <= 2) {
            EXPECT_EQ(o.y[kBombSlot], 280);
            EXPECT_EQ(o.y[kMarkerSlot], 280);
        }
    }
}

TEST(Bomb, DestroysEveryGroundObjectWithin18Pixels) {
    struct Target {
        int slot;
        double dx, dy;
        bool hit;
    };
    const Target targets[] = {
        {61, 18, -18, true}, {62, 19, 0, false},  {63, 18.9, 18.9, true},
        {65, -18, 18, true}, {70, 0, -19, false}, {80, -18.5, 0, true},
    };
    Game game;
    auto& o = game.o();
    auto& g = game.g();
    for (const Target& t : targets) {
        o.kind[t.slot] = 12;
        o.x[t.slot] = 100 + t.dx;
        o.y[t.slot] = 280 + t.dy;
    }
    o.kind[kBombSlot] = kKindShot;
    o.x[kBombSlot] = 100;
    o.y[kBombSlot] = 284;
    o.kind[kMarkerSlot] = kKindShip;
    o.y[kMarkerSlot] = 279;
    g.bombTimer = 20;
    moveBomb(g); // bomb to 280, marker to 280: it lands
    ASSERT_EQ(o.kind[kBombSlot], 0);
    for (const Target& t : targets) {
        const int k = t.slot - kFirstGroundSlot;
        const int w = kFirstWreckSlot + k;
        EXPECT_EQ(o.kind[t.slot] == 0, t.hit) << "slot " << t.slot;
        if (t.hit) {
            EXPECT_EQ(o.kind[w], kKindExplosion) << "slot " << w;
            EXPECT_EQ(o.frame[w], 1);
            EXPECT_EQ(o.x[w], 100 + t.dx - 16);
            EXPECT_EQ(o.y[w], 280 + t.dy - 16);
            EXPECT_EQ(g.wreckTimer[k], 30);
        } else {
            EXPECT_EQ(o.kind[w], 0) << "slot " << w;
        }
    }
}

TEST(Bomb, FortressHitBoxAroundItsTargetPoint) {
    struct Case {
        double dx, dy; // target point minus bomb
        bool hit;
    };
    const Case cases[] = {
        {12, -10, true}, {12, -17, false}, {-12, 0, true},       {13, 0, false}, {0, 1, false},
        {0, -16, true},  {12.9, 0, true},  {-12.9, -16.9, true}, {0, 0.5, true}, {-13, -5, false},
    };
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        o.kind[kFortressSlot] = kKindFortress;
        o.frame[kFortressSlot] = 1;
        o.x[kFortressSlot] = 160;
        o.y[kFortressSlot] = 80;
        o.kind[kBombSlot] = kKindShot;
        o.x[kBombSlot] = 160 + 84 - c.dx;
        o.y[kBombSlot] = 80 + 84 - c.dy;
        bombHitFortress(game.g());
        EXPECT_EQ(o.frame[kFortressSlot] == 3, c.hit) << "dx " << c.dx << " dy " << c.dy;
        EXPECT_EQ(o.kind[kBombSlot] == 0, c.hit) << "dx " << c.dx << " dy " << c.dy;
    }
}

TEST(Bomb, NoFortressNoFortressHit) {
    Game game;
    auto& o = game.o();
    o.kind[kBombSlot] = kKindShot;
    o.x[kBombSlot] = 244;
    o.y[kBombSlot] = 164;
    o.x[kFortressSlot] = 160;
    o.y[kFortressSlot] = 80;
    o.frame[kFortressSlot] = 1;
    bombHitFortress(game.g());
    EXPECT_EQ(o.frame[kFortressSlot], 1);
    EXPECT_EQ(o.kind[kBombSlot], kKindShot);
}
