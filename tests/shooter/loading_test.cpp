#include "game_fixture.hpp"
#include "shooter/frame_loop.hpp"
#include "shooter/loading.hpp"
#include "tests/support/testing.hpp"

#include <string>

using namespace shooter;
using shooter_test::Game;

namespace {
std::string rows(int n, const std::string& line) {
    std::string s;
    for (int r = 0; r < n; ++r) s += line + "\r\n";
    return s;
}
const std::string kLine32 = "3,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,4609";
} // namespace

TEST(Loading, MapFileGivesCellsAndLastRowAndAnEmptyMapIsOneRow) {
    struct Case {
        const char* name;
        bool create;
        std::string text;
        int16_t expectLastRow;
        int16_t expectFirst, expectLast; // cells (0, 0) and (31, 0)
    };
    const Case cases[] = {
        {"120 lines", true, rows(120, kLine32), 119, 3, 4609},
        {"one line", true, rows(1, kLine32), 0, 3, 4609},
        {"no file", false, "", 0, 0, 0},
        {"empty file", true, "", 0, 0, 0},
        {"only a line end", true, "\r\n", 0, 0, 0},
    };
    for (const Case& c : cases) {
        Game game;
        auto& g = game.g();
        g.lastRow = 77;
        g.mapCells[5] = 99; // stale content must go
        testing_support::TempDir dir;
        const auto path = dir / "AREA1.csv";
        if (c.create) testing_support::writeFile(path, c.text);
        readMap(g, path.string());
        EXPECT_EQ(g.lastRow, c.expectLastRow) << c.name;
        EXPECT_EQ(g.mapCells[0], c.expectFirst) << c.name;
        EXPECT_EQ(g.mapCells[31], c.expectLast) << c.name;
        EXPECT_EQ(g.mapCells[32], 0) << c.name << ": column 32 of a 32-field line stays 0";
        EXPECT_EQ(g.mapCells[5], 0) << c.name;
    }
}

TEST(Loading, AMissingMapStillRunsAFrameAndWaitsEveryPass) {
    Game game;
    auto& g = game.g();
    testing_support::TempDir dir;
    readMap(g, (dir / "AREA1.csv").string());
    int frames = 0, sleeps = 0;
    FrameServices services;
    services.renderFrame = [&](GameState&) { ++frames; };
    services.sleep = [&](int32_t) { ++sleeps; };
    for (int pass = 0; pass < 3; ++pass) runPass(g, services);
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(sleeps, 3);
}
