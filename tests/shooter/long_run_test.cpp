// Thousands of frames on a generated map holding every ground code and path lines, with random
// keys, checking after every frame that the object table and the game variables stay sound.
#include "game_fixture.hpp"
#include "shooter/frame_loop.hpp"
#include "shooter/ground_objects.hpp"

#include <map>
#include <random>
#include <set>
#include <sstream>

using namespace shooter;
using shooter_test::Game;

namespace {

void generateMap(GameState& g, std::mt19937& rng, int16_t lastRow) {
    g.lastRow = lastRow;
    std::uniform_int_distribution<int> tile(0, 12), code(0, 15), chance(0, 99), col(0, 31);
    for (int row = 0; row <= lastRow; ++row) {
        for (int c = 0; c < kMapColumns; ++c) {
            int16_t cell = static_cast<int16_t>(tile(rng));
            if (chance(rng) < 4) cell = static_cast<int16_t>(cell | (code(rng) << 8));
            g.mapCells[static_cast<size_t>(row * kMapColumns + c)] = cell;
        }
    }
    // Path lines in every direction, with vehicles placed on them.
    std::uniform_int_distribution<int> dir(0, 7), len(3, 25), rowPick(0, lastRow);
    for (int line = 0; line < lastRow / 3; ++line) {
        int c = col(rng), r = rowPick(rng);
        const int d = dir(rng);
        const int n = len(rng);
        for (int k = 0; k < n; ++k) {
            if (c < 0 || c > 32 || r < 0 || r > lastRow) break;
            auto& cell = g.mapCells[static_cast<size_t>(r * kMapColumns + c)];
            cell = static_cast<int16_t>((cell & 0x00FF) | 0x1000);
            if (k == n / 2) cell = static_cast<int16_t>(cell | 0x0400);
            c += static_cast<int>(g.dirX[static_cast<size_t>(d)]);
            r += static_cast<int>(g.dirY[static_cast<size_t>(d)]);
        }
    }
    // A few fortresses along the way.
    for (int row = 20; row <= lastRow; row += 60) {
        auto& cell = g.mapCells[static_cast<size_t>(row * kMapColumns + 10)];
        cell = static_cast<int16_t>((cell & 0x00FF) | 0x0900);
    }
}

// Every broken rule, as text; empty when the state is sound.
std::string checkInvariants(const GameState& g, const GameState& start, const GameState& previous) {
    std::ostringstream bad;
    const auto& o = g.obj;
    const int sf = g.speedFactor;
    auto expect = [&](bool ok, const std::string& what, int slot) {
        if (!ok)
            bad << what << " (slot " << slot << ", kind " << o.kind[slot] << ", frame " << o.frame[slot]
                << ", x " << o.x[slot] << ", y " << o.y[slot] << "); ";
    };
    expect(o.kind[0] == kKindShip && o.frame[0] == 1, "ship", 0);
    expect(o.x[0] >= -2 * sf && o.x[0] <= 480 + 2 * sf && o.y[0] >= 170 - 2 * sf && o.y[0] <= 430 + 2 * sf,
           "ship bounds", 0);
    expect(o.kind[1] == kKindShip && o.frame[1] == 2 && o.x[1] == o.x[0] && o.y[1] == o.y[0] - 150, "sight",
           1);
    expect(o.kind[2] == 0, "unused slot", 2);
    for (int s = 54; s <= 60; ++s) expect(o.kind[s] == 0, "unused slot", s);
    for (int i = 0; i < 3; ++i) {
        const int s = 3 + i;
        expect(o.kind[s] == 0 || (o.kind[s] == kKindFlash && (o.frame[s] == 1 || o.frame[s] == 2) &&
                                  g.flashTimer[i] >= 0 && g.flashTimer[i] <= 15),
               "flash", s);
    }
    for (int i = 0; i < 3; ++i) {
        const int s = 6 + i;
        expect((g.shotActive[i] == 1) == (o.kind[s] == kKindShot) &&
                   (g.shotActive[i] == 0 || g.shotActive[i] == 1),
               "shot latch", s);
        expect(o.kind[s] == 0 || (o.frame[s] == 1 && o.y[s] >= 0), "shot", s);
    }
    for (int i = 0; i < kEnemyCount; ++i) {
        const int s = 9 + i;
        if (o.kind[s] == 0) continue;
        expect(o.kind[s] == kKindEnemy, "enemy kind", s);
        if (o.frame[s] == 1) {
            expect(g.enemyCount[i] >= 0 && g.enemyCount[i] <= 99, "approaching enemy count", s);
        } else {
            expect(o.frame[s] == 2 && o.x[s] >= -32 && o.x[s] <= 512 && o.y[s] >= -32 && o.y[s] <= 512,
                   "turning enemy", s);
        }
    }
    for (int i = 0; i < kBulletCount; ++i) {
        const int s = 21 + i;
        if (o.kind[s] == 0) continue;
        expect(o.kind[s] == kKindBullet && (o.frame[s] == 1 || o.frame[s] == 2), "bullet", s);
        // A bullet that flew on this frame is inside the field; one fired after the bullets moved
        // (by a ground object or the fortress) may start outside and is checked next frame.
        const bool flew = previous.obj.kind[s] == kKindBullet &&
                          o.x[s] == previous.obj.x[s] + g.bulletVX[i] &&
                          o.y[s] == previous.obj.y[s] + g.bulletVY[i];
        // Moving gives a bullet a random frame, so one that shows frame 2 has moved too.
        if (flew || o.frame[s] != 1) {
            expect(o.y[s] >= 0 && o.y[s] <= 474 && o.x[s] >= -8 && o.x[s] <= 512, "bullet off the field", s);
        } else {
            expect(o.y[s] >= -140 && o.y[s] <= 620 && o.x[s] >= -20 && o.x[s] <= 540, "new bullet", s);
        }
    }
    expect(o.kind[51] == 0 || (o.kind[51] == kKindShot && (o.frame[51] == 2 || o.frame[51] == 3) &&
                               g.bombTimer <= 134 && g.bombTimer >= 134 - 4 * sf * 30),
           "bomb", 51);
    expect((o.kind[52] != 0) == (o.kind[51] != 0) &&
               (o.kind[52] == 0 || (o.kind[52] == kKindShip && o.frame[52] == 3)),
           "marker", 52);
    if (o.kind[53] != 0) {
        expect(o.kind[53] == kKindFortress && o.x[53] == 160 && o.frame[53] >= 1 && o.frame[53] <= 3,
               "fortress", 53);
        expect(o.frame[53] == 3 || (g.fortressTimer >= 0 && g.fortressTimer <= 1400), "fortress timer", 53);
    }
    for (int i = 0; i < kGroundCount; ++i) {
        const int s = 61 + i;
        const int k = o.kind[s];
        if (k == 0) continue;
        expect(k >= 11 && k <= 15 && o.y[s] >= 0 && o.y[s] <= 474, "ground object", s);
        if (k == 11 || k == 13) expect(o.frame[s] == 1, "standing object frame", s);
        if (k == 15) expect(o.frame[s] == 1 && g.groundTimer[i] >= 1 && g.groundTimer[i] <= 79, "gun", s);
        if (k == 12 || k == 14) {
            expect(o.frame[s] >= 1 && o.frame[s] <= 3 && g.groundTimer[i] >= -10 && g.groundTimer[i] <= 149,
                   "turret", s);
        }
        if (k == 14) {
            expect(o.x[s] >= 0 && o.x[s] <= 512 && g.pathDir[i] >= 0 && g.pathDir[i] <= 7 &&
                       g.pathStep[i] >= 0 && g.pathStep[i] < g.framesPerRow && g.pathCol[i] >= 0 &&
                       g.pathCol[i] <= 31 && g.pathRow[i] >= 0 && g.pathRow[i] <= 1000,
                   "vehicle", s);
        }
    }
    for (int i = 0; i < kGroundCount; ++i) {
        const int s = 81 + i;
        if (o.kind[s] == 0) continue;
        if (o.kind[s] == kKindExplosion) {
            expect(o.frame[s] >= 1 && o.frame[s] <= 3 && g.wreckTimer[i] >= 1 && g.wreckTimer[i] <= 30,
                   "explosion", s);
        } else {
            expect(o.kind[s] == kKindWreck && (o.frame[s] == 1 || o.frame[s] == 2) && g.wreckTimer[i] <= 0 &&
                       g.wreckTimer[i] >= -700 && o.y[s] <= 474,
                   "wreck", s);
        }
    }
    // What no routine may change.
    if (g.speedFactor != start.speedFactor || g.framesPerRow != start.framesPerRow ||
        g.frameWait != start.frameWait || g.lastRow != start.lastRow)
        bad << "speed settings or last row changed; ";
    if (g.dirX != start.dirX || g.dirY != start.dirY) bad << "directions changed; ";
    if (g.bulletOffsetX != 10 || g.bulletOffsetY != 12) bad << "bullet offset left changed; ";
    if (g.mapCells != start.mapCells) bad << "map changed; ";
    if (g.mapRow < 0 || g.mapRow > g.lastRow || g.scrollCounter < 0 ||
        g.scrollCounter > g.lastRow * g.framesPerRow)
        bad << "scroll position " << g.scrollCounter << " row " << g.mapRow << "; ";
    return bad.str();
}

} // namespace

TEST(LongRun, InvariantsHoldEveryFrameAtEverySpeed) {
    struct Case {
        int16_t speedFactor;
        int frames;
        uint32_t seed;
    };
    const Case cases[] = {{1, 8000, 11}, {2, 5000, 22}, {4, 4000, 33}, {16, 3000, 44}};
    for (const Case& c : cases) {
        Game game;
        auto& g = game.g();
        game.setSpeed(c.speedFactor);
        g.frameWait = 1.5;
        std::mt19937 rng(c.seed);
        generateMap(g, rng, 150);
        rt::rtRandomize(c.seed);
        const auto start = std::make_unique<GameState>(g);
        const auto previous = std::make_unique<GameState>(g);

        std::map<int, std::set<int>> kindsSeen; // by kind: frames seen
        int frames = 0, sleeps = 0, vehicleSideSteps = 0;
        std::string failure;
        std::uniform_int_distribution<int> chance(0, 99);
        const int keys[] = {kKeyShot, kKeyBomb, 37, 38, 39, 40};
        bool held[6] = {};
        FrameServices services;
        services.sleep = [&](int32_t ms) {
            ++sleeps;
            if (ms != 1) failure = "slept " + std::to_string(ms);
        };
        services.renderFrame = [&](GameState& s) {
            startRowObjects(s);
            ++frames;
            if (failure.empty()) {
                const std::string bad = checkInvariants(s, *start, *previous);
                if (!bad.empty()) failure = "frame " + std::to_string(frames) + ": " + bad;
            }
            for (int slot = 0; slot < kSlotCount; ++slot) {
                if (s.obj.kind[slot] != 0) kindsSeen[s.obj.kind[slot]].insert(s.obj.frame[slot]);
            }
            for (int i = 0; i < kGroundCount; ++i) {
                const int slot = 61 + i;
                if (s.obj.kind[slot] == 14 && previous->obj.kind[slot] == 14 &&
                    s.obj.x[slot] != previous->obj.x[slot])
                    ++vehicleSideSteps;
            }
            *previous = s;
            // Keys change now and then, as a player's would.
            for (int k = 0; k < 6; ++k) {
                if (chance(rng) < 12) held[k] = !held[k];
                platform::keys::setKeyDown(keys[k], held[k]);
            }
        };
        while (frames < c.frames && failure.empty()) runPass(g, services);
        ASSERT_TRUE(failure.empty()) << "speed " << c.speedFactor << ": " << failure;
        EXPECT_EQ(sleeps, frames);

        // The run must have exercised every kind of object, or it proves little.
        // (At speed 16 a hit flash ends in the frame it starts, so none is ever left standing.)
        std::vector<int> kinds = {1, 11, 12, 13, 14, 15, 23, 24, 25, 28, 29, 30};
        if (c.speedFactor < 16) kinds.push_back(kKindFlash);
        for (int kind : kinds) {
            EXPECT_TRUE(kindsSeen.count(kind))
                << "speed " << c.speedFactor << ": kind " << kind << " never appeared";
        }
        EXPECT_EQ(kindsSeen[12].size(), 3u) << "speed " << c.speedFactor << ": turrets never opened";
        EXPECT_GT(vehicleSideSteps, 0) << "speed " << c.speedFactor << ": no vehicle drove along a path";
    }
}
