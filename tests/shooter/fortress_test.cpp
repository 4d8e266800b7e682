#include "game_fixture.hpp"
#include "shooter/fortress.hpp"
#include "shooter/ground_objects.hpp"

using namespace shooter;
using shooter_test::Game;
using shooter_test::seedWhere;

TEST(Fortress, DescendsHoversAndRisesOutOfSight) {
    struct Case {
        int16_t speedFactor;
        int descentFrames, hoverFrames, riseFrames;
    };
    // -192 to the first y at or past 80; 1000 of timer; back up to -190 or above.
    const Case cases[] = {{1, 136, 1000, 270}, {4, 34, 250, 68}, {16, 9, 63, 18}};
    for (const Case& c : cases) {
        Game game;
        auto& g = game.g();
        auto& o = game.o();
        game.setSpeed(c.speedFactor);
        spawnGroundObject(g, 0x900, 0, 0);
        int frame = 0, descended = 0, hovered = 0;
        while (o.kind[kFortressSlot] != 0 && frame < 5000) {
            moveFortress(g);
            ++frame;
            ASSERT_EQ(o.x[kFortressSlot], 160);
            ASSERT_TRUE(o.frame[kFortressSlot] == 1 || o.frame[kFortressSlot] == 2);
            if (descended == 0 && g.fortressTimer != 0) descended = frame;
            if (hovered == 0 && g.fortressTimer > 1000) hovered = frame;
            for (int s = 21; s <= 50; ++s) o.kind[s] = 0;
        }
        EXPECT_EQ(descended, c.descentFrames) << "speed " << c.speedFactor;
        EXPECT_EQ(hovered - descended, c.hoverFrames) << "speed " << c.speedFactor;
        EXPECT_EQ(frame - hovered + 1, c.riseFrames) << "speed " << c.speedFactor;
    }
}

TEST(Fortress, AtSpeed4StopsDescendingAt80) {
    Game game;
    auto& g = game.g();
    game.setSpeed(4);
    spawnGroundObject(g, 0x900, 0, 0);
    for (int frame = 1; frame <= 33; ++frame) moveFortress(g);
    EXPECT_EQ(game.o().y[kFortressSlot], 72);
    EXPECT_EQ(g.fortressTimer, 0);
    moveFortress(g);
    EXPECT_EQ(game.o().y[kFortressSlot], 80);
    EXPECT_EQ(g.fortressTimer, 1);
    moveFortress(g);
    EXPECT_EQ(game.o().y[kFortressSlot], 80);
    EXPECT_EQ(g.fortressTimer, 5);
}

TEST(Fortress, FiresFromOneOfItsGunsAndRestoresTheUsualOffset) {
    struct Case {
        int gun;
        double expectX, expectY;
        bool bulletSlotsFull;
    };
    const Case cases[] = {{0, 160 + 62, 100 + 62, false},
                          {1, 160 + 126, 100 + 62, false},
                          {2, 160 + 62, 100 + 126, false},
                          {3, 160 + 126, 100 + 126, false},
                          {3, 0, 0, true}};
    for (const Case& c : cases) {
        Game game;
        auto& g = game.g();
        auto& o = game.o();
        o.kind[kFortressSlot] = kKindFortress;
        o.frame[kFortressSlot] = 1;
        o.x[kFortressSlot] = 160;
        o.y[kFortressSlot] = 100;
        g.fortressTimer = 5;
        if (c.bulletSlotsFull) {
            for (int s = 21; s <= 50; ++s) o.kind[s] = kKindBullet;
        }
        seedWhere([&] { return rt::rtRnd() < 0.1 && rt::rtInt(rt::rtRnd() * 4) == c.gun; });
        fortressFire(g);
        EXPECT_EQ(g.bulletOffsetX, 10);
        EXPECT_EQ(g.bulletOffsetY, 12);
        if (!c.bulletSlotsFull) {
            ASSERT_EQ(o.kind[21], kKindBullet) << "gun " << c.gun;
            EXPECT_EQ(o.x[21], c.expectX) << "gun " << c.gun;
            EXPECT_EQ(o.y[21], c.expectY) << "gun " << c.gun;
        }
    }
}

TEST(Fortress, HoldsFireNineFramesInTen) {
    Game game;
    auto& g = game.g();
    game.o().kind[kFortressSlot] = kKindFortress;
    game.o().frame[kFortressSlot] = 1;
    seedWhere([] { return rt::rtRnd() >= 0.1; });
    fortressFire(g);
    EXPECT_EQ(game.liveCount(kFirstBulletSlot, kBulletCount), 0);
}

TEST(Fortress, DestroyedFortressScrollsAwayWithoutFiringOrFlickering) {
    Game game;
    auto& g = game.g();
    auto& o = game.o();
    game.setSpeed(2);
    o.kind[kFortressSlot] = kKindFortress;
    o.frame[kFortressSlot] = 3;
    o.x[kFortressSlot] = 160;
    o.y[kFortressSlot] = 400;
    g.fortressTimer = 300;
    for (int frame = 1; frame <= 37; ++frame) {
        moveFortress(g);
        ASSERT_EQ(o.frame[kFortressSlot], 3);
        ASSERT_EQ(o.x[kFortressSlot], 160);
        ASSERT_EQ(o.y[kFortressSlot], 400 + 2 * frame);
        ASSERT_EQ(o.kind[kFortressSlot], kKindFortress) << "frame " << frame;
    }
    moveFortress(g); // 476: below the field
    EXPECT_EQ(o.kind[kFortressSlot], 0);
    EXPECT_EQ(g.fortressTimer, 300);
    EXPECT_EQ(game.liveCount(kFirstBulletSlot, kBulletCount), 0);
}
