#include "game_fixture.hpp"
#include "shooter/frame_loop.hpp"
#include "shooter/weapons.hpp"

using namespace shooter;
using shooter_test::Game;
using shooter_test::press;

TEST(Input, IsKeyDownGivesTheSignBitOfTheKeyState) {
    Game game;
    EXPECT_EQ(isKeyDown(kKeyShot), 0);
    press(kKeyShot);
    EXPECT_EQ(isKeyDown(kKeyShot), -32768);
}

TEST(Input, HeldShotKeyFiresOnceAndAPressAfterReleaseFiresTheNext) {
    Game game;
    auto& g = game.g();
    press(kKeyShot);
    for (int frame = 0; frame < 5; ++frame) inputStep(g);
    EXPECT_EQ(game.liveCount(kFirstShotSlot, 3), 1) << "a held key fires once";
    ASSERT_EQ(game.sounds.size(), 1u);
    EXPECT_EQ(game.sounds[0], "sound\\zapper.wav");
    press(kKeyShot, false);
    inputStep(g);
    EXPECT_EQ(g.shotKeyLatch, 0);
    press(kKeyShot);
    inputStep(g);
    EXPECT_EQ(game.liveCount(kFirstShotSlot, 3), 2);
    EXPECT_EQ(game.sounds.size(), 2u);
}

TEST(Input, FourthShotStartsNothingPlaysNothingAndIsNotRemembered) {
    Game game;
    auto& g = game.g();
    for (int n = 0; n < 3; ++n) {
        press(kKeyShot);
        inputStep(g);
        press(kKeyShot, false);
        inputStep(g);
    }
    ASSERT_EQ(game.liveCount(kFirstShotSlot, 3), 3);
    press(kKeyShot);
    inputStep(g);
    EXPECT_EQ(game.sounds.size(), 3u) << "no sound without a shot";
    // A slot frees up while the key is still held: the used-up press does not fire later.
    g.shotActive[1] = 0;
    game.o().kind[7] = 0;
    inputStep(g);
    EXPECT_EQ(game.o().kind[7], 0);
    EXPECT_EQ(game.sounds.size(), 3u);
}

TEST(Input, ShotStartsAtTheShipAndMovesInTheSameFrame) {
    Game game;
    auto& g = game.g();
    double drawnAt = 0;
    FrameServices services;
    services.renderFrame = [&](GameState& s) { drawnAt = s.obj.y[kFirstShotSlot]; };
    press(kKeyShot);
    g.speedFactor = 2;
    runFrame(g, services);
    EXPECT_EQ(game.o().x[kFirstShotSlot], 100);
    EXPECT_EQ(drawnAt, 400 + 4 - 8 * 2);
    EXPECT_EQ(game.o().frame[kFirstShotSlot], 1);
}

TEST(Input, BombDropsAtTheShipWithItsMarkerAtTheSight) {
    Game game;
    auto& g = game.g();
    auto& o = game.o();
    o.x[0] = 220;
    o.y[0] = 380;
    press(kKeyBomb);
    inputStep(g);
    EXPECT_EQ(o.kind[kBombSlot], kKindShot);
    EXPECT_EQ(o.frame[kBombSlot], 2);
    EXPECT_EQ(o.x[kBombSlot], 220);
    EXPECT_EQ(o.y[kBombSlot], 380);
    EXPECT_EQ(o.kind[kMarkerSlot], kKindShip);
    EXPECT_EQ(o.frame[kMarkerSlot], 3);
    EXPECT_EQ(o.x[kMarkerSlot], 220);
    EXPECT_EQ(o.y[kMarkerSlot], 230);
    EXPECT_EQ(g.bombTimer, 134);
}

TEST(Input, BombPressWhileABombFallsIsUsedUp) {
    Game game;
    auto& g = game.g();
    auto& o = game.o();
    press(kKeyBomb);
    inputStep(g);
    o.y[kBombSlot] = 333;
    press(kKeyBomb, false);
    inputStep(g);
    press(kKeyBomb);
    inputStep(g); // bomb still falling: the press is spent
    EXPECT_EQ(o.y[kBombSlot], 333);
    o.kind[kBombSlot] = 0; // the bomb lands while the key is still held
    inputStep(g);
    EXPECT_EQ(o.kind[kBombSlot], 0) << "the held key must not drop a bomb later";
}

TEST(Input, ShipStepsAfterAStrictBoundTestAndTheSightFollows) {
    struct Case {
        const char* name;
        int key;
        int16_t speedFactor;
        double x, y;
        double expectX, expectY;
    };
    const Case cases[] = {
        {"up from 172 at 4 passes 170", 38, 4, 100, 172, 100, 164},
        {"up at 170 is blocked", 38, 1, 100, 170, 100, 170},
        {"up from 171 at 1", 38, 1, 100, 171, 100, 169},
        {"down from 428 at 4 passes 430", 40, 4, 100, 428, 100, 436},
        {"down at 430 is blocked", 40, 2, 100, 430, 100, 430},
        {"left from 4 at 4 gives -4", 37, 4, 4, 300, -4, 300},
        {"left at 0 is blocked", 37, 1, 0, 300, 0, 300},
        {"right from 478 at 16", 39, 16, 478, 300, 510, 300},
        {"right at 480 is blocked", 39, 1, 480, 300, 480, 300},
    };
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        game.setSpeed(c.speedFactor);
        o.x[0] = c.x;
        o.y[0] = c.y;
        o.x[1] = 7; // the sight is only moved along with a step of the ship
        o.y[1] = 9;
        press(c.key);
        inputStep(game.g());
        EXPECT_EQ(o.x[0], c.expectX) << c.name;
        EXPECT_EQ(o.y[0], c.expectY) << c.name;
        const bool movedX = c.expectX != c.x, movedY = c.expectY != c.y;
        EXPECT_EQ(o.x[1], movedX ? c.expectX : 7) << c.name;
        EXPECT_EQ(o.y[1], movedY ? c.expectY - 150 : 9) << c.name;
    }
}

TEST(Input, OppositeAndDiagonalKeysApplyEveryStepInOrder) {
    struct Case {
        const char* name;
        std::vector<int> keys;
        double x, y, expectX, expectY;
    };
    const Case cases[] = {
        {"up and left", {38, 37}, 100, 300, 98, 298},
        {"up and down both step", {38, 40}, 100, 300, 100, 300},
        {"up from 171 then down tests 169", {38, 40}, 100, 171, 100, 171},
        {"left from 1 then right tests -1", {37, 39}, 1, 300, 1, 300},
        {"left to 480 leaves right blocked", {37, 39}, 482, 300, 480, 300},
    };
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        o.x[0] = c.x;
        o.y[0] = c.y;
        for (int k : c.keys) press(k);
        inputStep(game.g());
        EXPECT_EQ(o.x[0], c.expectX) << c.name;
        EXPECT_EQ(o.y[0], c.expectY) << c.name;
    }
}
