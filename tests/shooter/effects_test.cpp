#include "game_fixture.hpp"
#include "shooter/effects.hpp"

using namespace shooter;
using shooter_test::Game;

TEST(HitFlash, ShowsFrame1ThenFrame2AndEndsBelowZero) {
    struct Case {
        int16_t speedFactor;
        std::vector<int> frames; // frame after each call, 0 once the flash has ended
    };
    const Case cases[] = {
        {1, {1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 0}},
        {4, {1, 2, 2, 0}},
        {16, {0}},
    };
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        game.setSpeed(c.speedFactor);
        o.kind[4] = kKindFlash;
        o.frame[4] = 1;
        o.x[4] = 33;
        o.y[4] = 44;
        game.g().flashTimer[1] = 15;
        std::vector<int> frames;
        for (size_t n = 0; n < c.frames.size(); ++n) {
            animateHitFlashes(game.g());
            frames.push_back(o.kind[4] == 0 ? 0 : o.frame[4]);
        }
        EXPECT_EQ(frames, c.frames) << "speed " << c.speedFactor;
        EXPECT_EQ(o.x[4], 33);
        EXPECT_EQ(o.y[4], 44);
    }
}

TEST(Explosion, RunsItsFramesAndBecomesAWreckWhereTheObjectStood) {
    struct Case {
        int16_t speedFactor;
        std::vector<int> frames; // explosion frames shown before it becomes a wreck
    };
    const Case cases[] = {
        {1, {1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {16, {2}},
        {4, {1, 2, 3, 2, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        Game game;
        auto& o = game.o();
        game.setSpeed(c.speedFactor);
        o.kind[90] = kKindExplosion;
        o.frame[90] = 1;
        o.x[90] = 84;
        o.y[90] = 84;
        game.g().wreckTimer[9] = 30;
        std::vector<int> frames;
        int calls = 0;
        while (o.kind[90] == kKindExplosion && calls < 40) {
            animateWrecks(game.g());
            ++calls;
            if (o.kind[90] == kKindExplosion) frames.push_back(o.frame[90]);
        }
        // It turns into a wreck in the frame after its last explosion frame.
        EXPECT_EQ(calls, static_cast<int>(c.frames.size()) + 1) << "speed " << c.speedFactor;
        EXPECT_EQ(frames, c.frames) << "speed " << c.speedFactor;
        ASSERT_EQ(o.kind[90], kKindWreck) << "speed " << c.speedFactor;
        EXPECT_EQ(o.x[90], 84 + 16);
        EXPECT_EQ(o.y[90], 84 + 16 + calls * c.speedFactor);
        EXPECT_TRUE(o.frame[90] == 1 || o.frame[90] == 2);
    }
}

TEST(Explosion, TimerReachingExactlyZeroMakesTheWreckInThatFrame) {
    struct Case {
        int16_t timer, speedFactor;
        bool wreck;
    };
    const Case cases[] = {{1, 1, true}, {2, 1, false}, {16, 16, true}, {17, 16, false}, {8, 8, true}};
    for (const Case& c : cases) {
        Game game;
        game.setSpeed(c.speedFactor);
        game.o().kind[81] = kKindExplosion;
        game.o().y[81] = 100;
        game.g().wreckTimer[0] = c.timer;
        animateWrecks(game.g());
        EXPECT_EQ(game.o().kind[81] == kKindWreck, c.wreck)
            << "timer " << c.timer << " speed " << c.speedFactor;
    }
}

TEST(Wreck, FlickersScrollsAndIsFreedBelow474) {
    struct Case {
        double y;
        int16_t speedFactor;
        bool alive;
    };
    const Case cases[] = {
        {473, 1, true}, {474, 1, false}, {458, 16, true}, {459, 16, false}, {473.5, 1, false}};
    for (const Case& c : cases) {
        Game game;
        game.setSpeed(c.speedFactor);
        auto& o = game.o();
        o.kind[100] = kKindWreck;
        o.y[100] = c.y;
        o.x[100] = 7;
        game.g().wreckTimer[19] = -50;
        animateWrecks(game.g());
        EXPECT_EQ(o.y[100], c.y + c.speedFactor);
        EXPECT_EQ(o.x[100], 7);
        EXPECT_EQ(o.kind[100] != 0, c.alive) << "y " << c.y;
    }
    Game game;
    auto& o = game.o();
    o.kind[81] = kKindWreck;
    int seen[3] = {0, 0, 0};
    for (int n = 0; n < 200; ++n) {
        o.y[81] = 0;
        animateWrecks(game.g());
        ASSERT_TRUE(o.frame[81] == 1 || o.frame[81] == 2);
        ++seen[o.frame[81]];
    }
    EXPECT_GT(seen[1], 50);
    EXPECT_GT(seen[2], 50);
}
