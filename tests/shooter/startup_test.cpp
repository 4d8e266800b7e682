#include "game_fixture.hpp"
#include "platform/cp932.hpp"
#include "shooter/startup.hpp"

#include <string>

using namespace shooter;
using shooter_test::Game;

TEST(Startup, FrameWaitIsRoundedUpToWholeMilliseconds) {
    struct Case {
        double measured, expect;
    };
    const Case cases[] = {{0, 0},     {0.49999, 0}, {0.5, 1},    {0.652, 1}, {1.0, 2},
                          {1.739, 2}, {3.2, 4},     {-0.869, 0}, {2.0, 3}};
    for (const Case& c : cases) {
        Game game;
        game.g().frameWait = c.measured;
        roundFrameWait(game.g());
        EXPECT_EQ(game.g().frameWait, c.expect) << "measured " << c.measured;
    }
}

TEST(Startup, TitleShowsSpeedFactorAndWait) {
    struct Case {
        int16_t speedFactor;
        double frameWait;
        const char* expectUtf8;
    };
    const Case cases[] = {
        {2, 3, "ガルモアっぽいモノの作成実験 2ドットスクロール - ウェイト(3)"},
        {1, 0, "ガルモアっぽいモノの作成実験 1ドットスクロール - ウェイト(0)"},
        {16, 2, "ガルモアっぽいモノの作成実験 16ドットスクロール - ウェイト(2)"},
    };
    for (const Case& c : cases) {
        Game game;
        game.g().speedFactor = c.speedFactor;
        game.g().frameWait = c.frameWait;
        const int before = rt::rtStrRegistryCount();
        rt::RtString title = gameTitle(game.g());
        EXPECT_EQ(rt::rtStrRegistryCount(), before + 1) << "only the title itself stays allocated";
        const std::string utf8 =
            platform::cp932::toUtf8(std::string_view(title, static_cast<size_t>(rt::rtStrLen(title))));
        EXPECT_EQ(utf8, c.expectUtf8);
        rt::rtStrFree(title);
    }
}
