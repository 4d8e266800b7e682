// The game's pictures loaded from a folder of small made-up files, then frames drawn from them:
// masks, draw order, clipping, truncation, the scroll and the rows that come in.
#include "game_fixture.hpp"
#include "platform/system.hpp"
#include "runtime/prompt/canvas.hpp"
#include "runtime/prompt/canvas_hooks.hpp"
#include "shooter/loading.hpp"
#include "shooter/renderer.hpp"
#include "tests/platform/image_files.hpp"
#include "tests/support/testing.hpp"

#include <algorithm>
#include <filesystem>
#include <memory>

using namespace shooter;
using platform::pixels::Colour;
using platform::pixels::rgb;

namespace {

constexpr Colour kWhite = 0xFFFFFF;
Colour tileColour(int t) {
    return rgb(static_cast<uint8_t>(40 + 20 * t), 200, 100);
}
Colour spriteColour(int k, int f) {
    return rgb(static_cast<uint8_t>(8 * k), static_cast<uint8_t>(60 * f), 250);
}
// Every row of the starting background has its own colour, so a scroll shows where rows went.
Colour groundColour(int y) {
    return rgb(static_cast<uint8_t>(y & 0xFF), static_cast<uint8_t>(0x80 | y >> 8), 0x33);
}
constexpr Colour kRed = rgb(255, 0, 0);
constexpr Colour kBlue = rgb(0, 0, 255);

// 8 x 8 sprites with black (transparent) pixels in a pattern; kind 7 frame 1 is 32 x 32 with a
// near-black pixel that must stay opaque. Kind 2 frame 1 is red with a 2 x 2 black hole at (3, 3),
// kind 3 frame 1 solid blue: the renderer's scene uses them.
platform::pixels::Bitmap spriteArt(int k, int f) {
    if (k == 2 && f == 1) {
        platform::pixels::Bitmap b(8, 8, kRed);
        for (int y = 3; y <= 4; ++y)
            for (int x = 3; x <= 4; ++x) b.at(x, y) = 0;
        return b;
    }
    if (k == 3 && f == 1) return platform::pixels::Bitmap(8, 8, kBlue);
    const int side = k == 7 && f == 1 ? 32 : 8;
    platform::pixels::Bitmap b(side, side, spriteColour(k, f));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if ((x + y + k + f) % 3 == 0) b.at(x, y) = 0;
    if (side == 32) b.at(31, 0) = 0x000001;
    return b;
}

// A play folder with every tile and every sprite but chr05-2.BMP, loaded the game's way into a
// window canvas of its own.
class PictureScene : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    std::filesystem::path previous = std::filesystem::current_path();
    shooter_test::Game game;
    std::unique_ptr<GamePictures> pictures = std::make_unique<GamePictures>();
    GamePictures& p = *pictures;

    void SetUp() override {
        std::filesystem::create_directory(dir / "bmp");
        for (int k = 1; k <= kSpriteKinds; ++k)
            for (int f = 1; f <= kSpriteFrames; ++f)
                if (!(k == 5 && f == 2)) write(spriteFileName(k, f), spriteArt(k, f));
        for (int t = 0; t < kTileCount; ++t)
            write(tileFileName(t), platform::pixels::Bitmap(16, 16, tileColour(t)));
        std::filesystem::current_path(dir.path());
        prompt::createCanvas(640, 490, 640, 490);
        loadPictures(p);
        // Both pictures start as the row-coloured ground.
        platform::pixels::Bitmap ground(kPlayfieldWidth, kPlayfieldHeight);
        for (int y = 0; y < ground.height; ++y) std::fill_n(ground.row(y), ground.width, groundColour(y));
        p.screenPicture.replaceBitmap(std::make_unique<platform::pixels::Bitmap>(ground));
        p.backgroundPicture.replaceBitmap(std::make_unique<platform::pixels::Bitmap>(ground));
    }
    void TearDown() override {
        pictures.reset();
        prompt::destroyCanvas();
        std::filesystem::current_path(previous);
    }
    void write(const std::string& name, const platform::pixels::Bitmap& b) {
        testing_support::writeFile(dir / platform::nativePath(name), image_files::bmpOf(b));
    }
    void place(int slot, int16_t kind, int16_t frame, double x, double y) {
        game.o().kind[static_cast<size_t>(slot)] = kind;
        game.o().frame[static_cast<size_t>(slot)] = frame;
        game.o().x[static_cast<size_t>(slot)] = x;
        game.o().y[static_cast<size_t>(slot)] = y;
    }
    static platform::pixels::Bitmap windowPixels() {
        prompt::CanvasLock canvas;
        return *canvas.window();
    }
};

TEST_F(PictureScene, EverySpriteLoadsWithItsExactMaskAndNoPictureScansAgain) {
    for (int k = 1; k <= kSpriteKinds; ++k) {
        for (int f = 1; f <= kSpriteFrames; ++f) {
            const platform::pixels::Bitmap* sprite = p.sprite(k, f).bitmap();
            const platform::pixels::Bitmap* mask = p.mask(k, f).bitmap();
            if (k == 5 && f == 2) {
                EXPECT_EQ(sprite, nullptr) << "the missing file leaves its sprite empty";
                EXPECT_EQ(mask, nullptr) << "and its mask";
                continue;
            }
            const platform::pixels::Bitmap art = spriteArt(k, f);
            ASSERT_NE(sprite, nullptr) << k << "-" << f;
            ASSERT_NE(mask, nullptr) << k << "-" << f;
            ASSERT_EQ(mask->width, art.width) << k << "-" << f;
            ASSERT_EQ(mask->height, art.height) << k << "-" << f;
            EXPECT_EQ(sprite->pixels, art.pixels) << k << "-" << f;
            int wrong = 0;
            for (int y = 0; y < art.height; ++y)
                for (int x = 0; x < art.width; ++x)
                    wrong += mask->at(x, y) != (art.at(x, y) == 0 ? kWhite : 0);
            EXPECT_EQ(wrong, 0) << "mask of " << k << "-" << f << ": "
                                << testing_support::dumpImage(*mask, "mask-" + std::to_string(k));
            EXPECT_LT(p.sprite(k, f).scanDelay(), 0) << k << "-" << f;
        }
    }
    for (int t = 0; t < kTileCount; ++t) {
        auto& tile = p.tilePicture[static_cast<size_t>(t)];
        ASSERT_NE(tile.bitmap(), nullptr);
        EXPECT_EQ(tile.bitmap()->at(5, 5), tileColour(t));
        EXPECT_LT(tile.scanDelay(), 0);
        EXPECT_EQ(tile.waitPixelInfo(), 0) << "tiles are loaded without a pixel table";
    }
    // Loading again starts no scan: no table ever comes.
    ASSERT_EQ(p.sprite(1, 1).loadPicture(spriteFileName(1, 1)), 1);
    EXPECT_EQ(p.sprite(1, 1).waitPixelInfo(), 0);
}

TEST_F(PictureScene, SpritesAreMaskedOrderedClippedAndTruncated) {
    auto& g = game.g();
    g.scrollCounter = 5; // no row due
    g.mapRow = 0;
    for (int s = 0; s < kSlotCount; ++s) game.o().kind[static_cast<size_t>(s)] = 0;
    place(10, 2, 1, 100.9, 100.2); // red with a hole, at (100, 100)
    place(5, 3, 1, 104, 104);      // blue, over the red's lower right quarter: the lower slot on top
    place(30, 3, 1, -5.7, 200);    // drawn from x -5: three columns show
    place(31, 2, 1, 3.9, 300.5);   // drawn at (3, 300)
    place(40, 3, 1, 508, 470);     // cut by the right and bottom edges
    place(50, 31, 1, 200, 200);    // no such kind
    place(51, 2, 0, 220, 200);     // frames 0 and 4 draw nothing
    place(52, 2, 4, 240, 200);
    place(53, 5, 2, 260, 200); // a sprite whose file is missing draws nothing
    renderFrame(g, p);

    struct Probe {
        int x, y;
        Colour expect;
        const char* what;
    };
    const Probe probes[] = {
        {100, 100, kRed, "sprite's corner"},
        {103, 103, groundColour(103), "black is transparent"},
        {104, 103, groundColour(103), "black is transparent"},
        {102, 104, kRed, "beside the hole"},
        {105, 105, kBlue, "the lower slot lies on top"},
        {111, 111, kBlue, "blue's far corner"},
        {108, 100, groundColour(100), "right of the red"},
        {0, 200, kBlue, "left edge clipped"},
        {2, 207, kBlue, "left edge clipped"},
        {3, 200, groundColour(200), "x -5.7 is drawn at -5"},
        {3, 300, kRed, "x 3.9 is drawn at 3"},
        {2, 300, groundColour(300), "x 3.9 is drawn at 3"},
        {10, 307, kRed, "y 300.5 is drawn at 300"},
        {10, 308, groundColour(308), "y 300.5 is drawn at 300"},
        {511, 473, kBlue, "bottom right clipped"},
        {507, 470, groundColour(470), "bottom right clipped"},
        {200, 200, groundColour(200), "kind 31"},
        {220, 200, groundColour(200), "frame 0"},
        {240, 200, groundColour(200), "frame 4"},
        {260, 200, groundColour(200), "missing picture"},
    };
    // Shown 14 pixels up: playfield row y is window row y - 14.
    const platform::pixels::Bitmap shown = windowPixels();
    for (const Probe& pr : probes)
        EXPECT_EQ(shown.at(pr.x, pr.y - 14), pr.expect)
            << pr.what << " at (" << pr.x << ", " << pr.y
            << "): " << testing_support::dumpImage(shown, "sprites");
}

TEST_F(PictureScene, RowsComeInAtTheTopAndScrollDownWithTheGround) {
    auto& g = game.g();
    game.setSpeed(2); // 8 frames per row
    for (int s = 0; s < kSlotCount; ++s) game.o().kind[static_cast<size_t>(s)] = 0;
    for (int col = 0; col < 33; ++col) {
        game.setCell(col, 3, 4);
        game.setCell(col, 2, 5);
    }
    game.setCell(0, 3, 1);
    game.setCell(1, 3, 12);     // draws nothing: the square keeps what the scroll left
    game.setCell(2, 3, 0x0203); // tile 3 and a turret
    game.setCell(32, 3, 9);     // beyond the map's edge: never drawn

    const auto frame = [&](int16_t counter) {
        g.scrollCounter = counter;
        g.mapRow = static_cast<int16_t>(rt::rtInt(static_cast<double>(counter) / g.framesPerRow));
        renderFrame(g, p);
    };
    frame(24); // row 3 is due
    const platform::pixels::Bitmap first = backgroundRows(p);
    EXPECT_EQ(first.at(0, 0), tileColour(1));
    EXPECT_EQ(first.at(15, 15), tileColour(1));
    EXPECT_EQ(first.at(0, 16), groundColour(14)) << "under the new row, the ground moved down 2";
    EXPECT_EQ(first.at(16, 0), groundColour(0)) << "tile 12: the lines the scroll left at the top";
    EXPECT_EQ(first.at(16, 1), groundColour(1));
    EXPECT_EQ(first.at(20, 2), groundColour(0));
    EXPECT_EQ(first.at(31, 15), groundColour(13));
    EXPECT_EQ(first.at(40, 8), tileColour(3));
    EXPECT_EQ(first.at(511, 0), tileColour(4)) << "column 31 is drawn, column 32 is not";
    EXPECT_EQ(game.o().kind[kFirstGroundSlot], 12) << "code 0x200 starts a turret";
    EXPECT_EQ(game.o().x[kFirstGroundSlot], 32);
    EXPECT_EQ(game.liveCount(kFirstGroundSlot, kGroundCount), 1);
    game.o().kind[kFirstGroundSlot] = 0; // keep the turret out of the pictures below

    // The same background kept from a later row of its ring, so that the eight frames below cross
    // the ring's end and the due row is drawn across it.
    p.backgroundTop = (p.backgroundTop + 10) % kPlayfieldHeight;
    std::vector<platform::pixels::Colour>& kept = p.backgroundPicture.bitmap()->pixels;
    std::rotate(kept.rbegin(), kept.rbegin() + 10 * kPlayfieldWidth, kept.rend());
    ASSERT_EQ(backgroundRows(p).pixels, first.pixels);
    for (int16_t counter = 23; counter >= 16; --counter) frame(counter);
    const platform::pixels::Bitmap later = backgroundRows(p);
    EXPECT_EQ(later.at(0, 15), tileColour(5)) << "row 2 comes in at y 0";
    EXPECT_EQ(later.at(0, 16), tileColour(1)) << "row 3 has moved down 16 pixels";
    EXPECT_EQ(later.at(15, 31), tileColour(1));
    EXPECT_EQ(later.at(0, 32), groundColour(14));
    EXPECT_EQ(later.at(16, 16), groundColour(0)) << "the stale square moves with its row";
    EXPECT_EQ(game.liveCount(kFirstGroundSlot, kGroundCount), 0) << "row 2 has no ground objects";
}

} // namespace
