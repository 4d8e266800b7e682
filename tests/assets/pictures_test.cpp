// The tiles and sprites the build writes: names, BMP headers, sizes, transparency and the
// geometry the game relies on.
#include "tests/assets/data_files.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace {

using assets_test::dataDir;
using assets_test::readBmp;
using assets_test::spriteName;
using platform::pixels::Bitmap;

constexpr platform::pixels::Colour kSeeThrough = 0;

// The side every frame of a kind must have (0: no object uses it, any size will do).
int requiredSide(int kind) {
    static const std::map<int, int> sides = {{1, 32},  {11, 32}, {12, 32}, {13, 32}, {14, 32},
                                             {15, 32}, {23, 64}, {24, 32}, {25, 32}, {27, 32},
                                             {28, 32}, {29, 8},  {30, 192}};
    auto it = sides.find(kind);
    return it == sides.end() ? 0 : it->second;
}

Bitmap sprite(int kind, int frame) {
    const auto file = readBmp(dataDir() / "bmp" / spriteName(kind, frame));
    EXPECT_EQ(file.fault, "") << spriteName(kind, frame);
    return file.image;
}

struct Centre {
    double x = 0, y = 0;
    int count = 0;
};

Centre opaqueCentre(const Bitmap& b) {
    Centre c;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            if (b.at(x, y) != kSeeThrough) c.x += x, c.y += y, ++c.count;
    if (c.count) c.x /= c.count, c.y /= c.count;
    return c;
}

TEST(Pictures, TheFolderHoldsExactlyTheHundredNamedFiles) {
    std::set<std::string> expected, found;
    for (int t = 0; t < 10; ++t) expected.insert(std::to_string(t) + ".bmp");
    for (int k = 1; k <= 30; ++k)
        for (int f = 1; f <= 3; ++f) expected.insert(spriteName(k, f));
    ASSERT_TRUE(std::filesystem::is_directory(dataDir() / "bmp")) << dataDir();
    for (const auto& entry : std::filesystem::directory_iterator(dataDir() / "bmp"))
        found.insert(entry.path().filename().string());
    for (const auto& name : expected) EXPECT_TRUE(found.count(name)) << "missing " << name;
    for (const auto& name : found) EXPECT_TRUE(expected.count(name)) << "unexpected " << name;
}

TEST(Pictures, TilesAreSixteenSquareTwentyFourBitBmps) {
    for (int t = 0; t < 10; ++t) {
        const auto file = readBmp(dataDir() / "bmp" / (std::to_string(t) + ".bmp"));
        EXPECT_EQ(file.fault, "") << "tile " << t;
        EXPECT_EQ(file.width, 16) << "tile " << t;
        EXPECT_EQ(file.height, 16) << "tile " << t;
    }
}

TEST(Pictures, SpritesHaveTheSizesTheGameDrawsThemAt) {
    for (int k = 1; k <= 30; ++k) {
        for (int f = 1; f <= 3; ++f) {
            const auto file = readBmp(dataDir() / "bmp" / spriteName(k, f));
            EXPECT_EQ(file.fault, "") << spriteName(k, f);
            const int side = requiredSide(k);
            if (side) {
                EXPECT_EQ(file.width, side) << spriteName(k, f);
                EXPECT_EQ(file.height, side) << spriteName(k, f);
            } else {
                EXPECT_TRUE(file.width >= 8 && file.width <= 64 && file.height >= 8 && file.height <= 64)
                    << spriteName(k, f) << ": expected 8..64 pixels a side, got " << file.width << " x "
                    << file.height;
            }
        }
    }
}

// Black is the see-through colour: every sprite needs some of it around its shape (or the game
// draws a box) and some drawn pixels.
TEST(Pictures, EverySpriteIsAShapeOnSeeThroughBlack) {
    for (int k = 1; k <= 30; ++k) {
        for (int f = 1; f <= 3; ++f) {
            const Bitmap b = sprite(k, f);
            if (b.empty()) continue;
            size_t clear = 0;
            for (platform::pixels::Colour c : b.pixels) clear += c == kSeeThrough;
            EXPECT_GT(clear, b.pixels.size() / 5) << spriteName(k, f) << ": too little see-through black";
            EXPECT_GT(b.pixels.size() - clear, b.pixels.size() / 40) << spriteName(k, f) << ": almost empty";
            EXPECT_EQ(b.at(b.width - 1, b.height - 1), kSeeThrough) << spriteName(k, f) << ": corner drawn";
        }
    }
}

// Dark parts inside a solid shape must be near-black: pure black there would let the ground show
// through a hole. A see-through pixel that cannot reach the edge through see-through pixels is
// such a hole.
TEST(Pictures, SolidShapesHaveNoSeeThroughHoles) {
    const std::vector<std::pair<int, std::vector<int>>> solid = {
        {1, {1, 2, 3}}, {11, {1, 2, 3}}, {12, {1, 2, 3}}, {13, {1, 2, 3}}, {14, {1, 2, 3}}, {15, {1, 2, 3}},
        {23, {1, 2}},   {24, {1, 2, 3}}, {25, {1}},       {28, {1, 2, 3}}, {29, {1, 2, 3}}, {30, {1, 2, 3}}};
    for (const auto& [kind, frames] : solid) {
        for (int f : frames) {
            const Bitmap b = sprite(kind, f);
            if (b.empty()) continue;
            std::vector<char> reached(b.pixels.size(), 0);
            std::vector<std::pair<int, int>> todo;
            auto visit = [&](int x, int y) {
                if (!b.contains(x, y)) return;
                const size_t i = static_cast<size_t>(y * b.width + x);
                if (reached[i] || b.at(x, y) != kSeeThrough) return;
                reached[i] = 1;
                todo.emplace_back(x, y);
            };
            for (int x = 0; x < b.width; ++x) visit(x, 0), visit(x, b.height - 1);
            for (int y = 0; y < b.height; ++y) visit(0, y), visit(b.width - 1, y);
            while (!todo.empty()) {
                auto [x, y] = todo.back();
                todo.pop_back();
                visit(x + 1, y), visit(x - 1, y), visit(x, y + 1), visit(x, y - 1);
            }
            int holes = 0;
            for (size_t i = 0; i < b.pixels.size(); ++i) holes += b.pixels[i] == kSeeThrough && !reached[i];
            if (holes) testing_support::dumpImage(b, "holes-" + spriteName(kind, f));
            EXPECT_EQ(holes, 0) << spriteName(kind, f) << ": expected no enclosed see-through pixels, got "
                                << holes;
        }
    }
}

// Enemy bullets aim at (12, 12) of the ship's picture; the shot leaves from its nose; the bomb, the
// sight and the marker all mark the same point.
TEST(Pictures, ShipShotBombSightAndMarkerShareTheAimPoint) {
    struct Case {
        int kind, frame;
        double x, y, slack;
    };
    const Case cases[] = {{25, 1, 12, 12, 2.0},
                          {25, 2, 12, 12, 1.0},
                          {25, 3, 12, 12, 1.0},
                          {28, 2, 12, 12, 1.0},
                          {28, 3, 12, 12, 1.0}};
    for (const Case& c : cases) {
        const Centre centre = opaqueCentre(sprite(c.kind, c.frame));
        EXPECT_NEAR(centre.x, c.x, c.slack) << spriteName(c.kind, c.frame);
        EXPECT_NEAR(centre.y, c.y, c.slack) << spriteName(c.kind, c.frame);
    }
    const Bitmap ship = sprite(25, 1);
    ASSERT_FALSE(ship.empty());
    EXPECT_NE(ship.at(12, 12), kSeeThrough) << "the aim point must be on the ship's body";
    EXPECT_NE(ship.at(12, 0), kSeeThrough) << "the nose must be at the top of column 12";

    const Bitmap shot = sprite(28, 1);
    ASSERT_FALSE(shot.empty());
    int top = shot.height;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (shot.at(x, y) != kSeeThrough) {
                top = std::min(top, y);
                EXPECT_TRUE(x >= 10 && x <= 14) << "shot pixel at x " << x << ", expected 10..14 (the nose)";
            }
    EXPECT_LE(top, 2);
}

// The bomb destroys the fortress when its picture's top-left lands 72..96 right and 84..100 down
// from the fortress's, so the bomb's middle falls within (84..108, 96..112): the core must be
// there, in strong colours that stand out from the grey armour. Its guns fire from (62, 62),
// (126, 62), (62, 126) and (126, 126) onwards and must be drawn there.
TEST(Pictures, FortressCoreAndGunsAreWhereTheGameUsesThem) {
    for (int f = 1; f <= 2; ++f) {
        const Bitmap b = sprite(30, f);
        ASSERT_FALSE(b.empty());
        int vivid = 0, total = 0;
        for (int y = 96; y <= 112; ++y) {
            for (int x = 88; x <= 104; ++x) {
                const platform::pixels::Colour c = b.at(x, y);
                const int r = c & 0xFF, g = c >> 8 & 0xFF, bl = c >> 16 & 0xFF;
                const int hi = std::max({r, g, bl}), lo = std::min({r, g, bl});
                vivid += hi - lo >= 120 || lo >= 220;
                ++total;
            }
        }
        EXPECT_GT(vivid * 10, total * 6) << "frame " << f << ": expected the core under the bomb, got "
                                         << vivid << " of " << total << " vivid pixels";
        for (auto [gx, gy] : {std::pair{62, 62}, {126, 62}, {62, 126}, {126, 126}})
            for (int d = 0; d < 8; ++d)
                EXPECT_NE(b.at(gx + d, gy + d), kSeeThrough) << "frame " << f << " gun " << gx << "," << gy;
    }
}

// The game flickers between frames 1 and 2 (bullets, wrecks, flashes, the fortress) and animates
// turrets, so no two pictures may be the same; the spare kinds must be told apart too.
TEST(Pictures, NoTwoSpritePicturesAreTheSame) {
    std::map<std::vector<platform::pixels::Colour>, std::string> seen;
    for (int k = 1; k <= 30; ++k) {
        for (int f = 1; f <= 3; ++f) {
            Bitmap b = sprite(k, f);
            b.pixels.push_back(static_cast<platform::pixels::Colour>(b.width)); // tell sizes apart
            auto [it, fresh] = seen.emplace(b.pixels, spriteName(k, f));
            EXPECT_TRUE(fresh) << spriteName(k, f) << " is the same picture as " << it->second;
        }
    }
}

// A tile repeats without a seam when the step from its last column to its first (and last row to
// first) is no harsher than the steps inside it.
TEST(Pictures, TilesRepeatWithoutASeam) {
    auto step = [](platform::pixels::Colour a, platform::pixels::Colour b) {
        int sum = 0;
        for (int s = 0; s < 24; s += 8)
            sum += std::abs(static_cast<int>(a >> s & 0xFF) - static_cast<int>(b >> s & 0xFF));
        return sum;
    };
    for (int t = 0; t < 10; ++t) {
        const Bitmap b = readBmp(dataDir() / "bmp" / (std::to_string(t) + ".bmp")).image;
        ASSERT_EQ(b.width, 16);
        int worstInside = 0, acrossColumns = 0, acrossRows = 0;
        for (int i = 0; i < 15; ++i) {
            int columns = 0, rows = 0;
            for (int j = 0; j < 16; ++j)
                columns += step(b.at(i, j), b.at(i + 1, j)), rows += step(b.at(j, i), b.at(j, i + 1));
            worstInside = std::max({worstInside, columns, rows});
        }
        for (int j = 0; j < 16; ++j)
            acrossColumns += step(b.at(15, j), b.at(0, j)), acrossRows += step(b.at(j, 15), b.at(j, 0));
        EXPECT_LE(acrossColumns, worstInside) << "tile " << t << ": seam between its right and left edges";
        EXPECT_LE(acrossRows, worstInside) << "tile " << t << ": seam between its bottom and top edges";
    }
}

} // namespace
