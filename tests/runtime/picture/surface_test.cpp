#include "runtime/picture/surface.hpp"
#include "runtime/prompt/prompt.hpp"
#include "tests/runtime/picture/canvas_fixture.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using picture::Surface;
using pixel_art::art;
using pixel_art::sameImage;

TEST(FitSize, MissingSidesTakeTheNaturalSizeOrKeepTheAspectRatio) {
    struct Row {
        int32_t w, h, bw, bh;
        picture::Size expected;
    } rows[] = {
        {32, -1, 16, 8, {32, 16}}, {10, 0, 3, 7, {10, 23}}, {0, 0, 5, 6, {5, 6}}, {-1, -1, 5, 6, {5, 6}},
        {0, 10, 3, 7, {4, 10}},    {-5, 7, 7, 3, {16, 7}},  {7, 9, 3, 3, {7, 9}}, {1, 0, 3, 1, {1, 0}},
        {0, 0, 0, 0, {0, 0}},      {5, 0, 0, 4, {5, 0}},
    };
    for (const Row& r : rows) {
        const picture::Size got = picture::fitSize(r.w, r.h, r.bw, r.bh);
        EXPECT_EQ(got, r.expected) << "fitSize(" << r.w << ", " << r.h << ", " << r.bw << ", " << r.bh
                                   << "): expected " << r.expected.w << "x" << r.expected.h << ", got "
                                   << got.w << "x" << got.h;
    }
}

using SurfaceTest = CanvasTest;

TEST_F(SurfaceTest, PutWithoutBitmapReturnsZeroAndDrawsNothing) {
    Surface s;
    picture::promptBindPicture(s);
    platform::pixels::Bitmap target(4, 4, 0xFFFFFF);
    EXPECT_EQ(s.put(0, 0, 0, 0, 0, &target), 0);
    EXPECT_EQ(s.putAt(0, 0), 0);
    EXPECT_TRUE(sameImage(target, platform::pixels::Bitmap(4, 4, 0xFFFFFF), "put_no_bitmap"));
    EXPECT_EQ(countLit(windowPixels()) + countLit(backPixels()), 0);
}

TEST_F(SurfaceTest, BoundPutOnTheWindowIsMirroredIntoTheBackBuffer) {
    Surface s;
    picture::promptBindPicture(s);
    give(s, art({"RG", "BY"}));
    EXPECT_NE(s.putAt(3, 2, picture::kSrcCopy), 0);
    const platform::pixels::Bitmap expected = art({".....", ".....", "...RG", "...BY"});
    EXPECT_TRUE(sameImage(crop(windowPixels(), 0, 0, 5, 4), expected, "bound_put_window"));
    EXPECT_TRUE(sameImage(crop(backPixels(), 0, 0, 5, 4), expected, "bound_put_back"));
    // Put with an explicit target: the back buffer stays as it was.
    platform::pixels::Bitmap target(2, 2);
    give(s, art({"W"}));
    EXPECT_NE(s.put(0, 0, 2, 2, 0, &target), 0);
    EXPECT_TRUE(sameImage(target, art({"WW", "WW"}), "put_target"));
    EXPECT_TRUE(sameImage(crop(backPixels(), 0, 0, 5, 4), expected, "put_target_back_untouched"));
}

TEST_F(SurfaceTest, PutOfANeverBoundSurfaceOnTheWindowDrawsNothing) {
    Surface s;
    give(s, art({"WW"}));
    EXPECT_EQ(s.putAt(0, 0), 0);
    EXPECT_EQ(countLit(windowPixels()) + countLit(backPixels()), 0);
}

TEST_F(SurfaceTest, PutStretchesToTheFittedSize) {
    struct Row {
        int32_t w, h, bw, bh;
        int expectedLit; // a white bitmap of bw x bh, drawn stretched, covers w' x h' pixels
    } rows[] = {{32, -1, 16, 8, 32 * 16}, {10, 0, 3, 7, 10 * 23}, {0, 0, 3, 2, 6}, {5, 2, 1, 1, 10}};
    for (const Row& r : rows) {
        prompt::createCanvas(64, 64, 64, 64);
        Surface s;
        picture::promptBindPicture(s);
        give(s, platform::pixels::Bitmap(r.bw, r.bh, 0xFFFFFF));
        EXPECT_NE(s.put(0, 0, r.w, r.h, 0), 0);
        EXPECT_EQ(countLit(windowPixels()), r.expectedLit)
            << r.w << "x" << r.h << " of " << r.bw << "x" << r.bh;
        EXPECT_EQ(countLit(backPixels()), r.expectedLit)
            << r.w << "x" << r.h << " of " << r.bw << "x" << r.bh;
    }
}

TEST_F(SurfaceTest, PutOntoItselfOrOntoNothingReturnsZero) {
    Surface a;
    Surface empty;
    give(a, art({"RG"}));
    EXPECT_EQ(a.putOnto(a, 0, 0, -1, -1, 0), 0);
    EXPECT_EQ(a.putOnto(a.bitmap(), 1, 0, -1, -1, 0), 0);
    EXPECT_TRUE(sameImage(*a.bitmap(), art({"RG"}), "put_onto_self"));
    EXPECT_EQ(a.putOnto(empty, 0, 0, -1, -1, 0), 0);
    EXPECT_EQ(empty.putOnto(a, 0, 0, -1, -1, 0), 0);
    EXPECT_EQ(empty.putOnto(empty, 0, 0, -1, -1, 0), 0);
}

TEST_F(SurfaceTest, PutOntoDrawsIntoTheTargetOnlyInBothForms) {
    Surface sprite;
    Surface screen;
    picture::promptBindPicture(sprite);
    picture::promptBindPicture(screen);
    give(sprite, art({"RG"}));
    give(screen, art({"WWW", "WWW"}));
    EXPECT_NE(sprite.putOnto(screen, 1, 1, -1, -1, 0), 0);
    EXPECT_TRUE(sameImage(*screen.bitmap(), art({"WWW", "WRG"}), "put_onto_surface"));
    EXPECT_NE(sprite.putOnto(screen.bitmap(), -1, 0, -1, -1, picture::kSrcAnd), 0);
    EXPECT_TRUE(sameImage(*screen.bitmap(), art({"GWW", "WRG"}), "put_onto_bitmap"));
    EXPECT_EQ(countLit(windowPixels()) + countLit(backPixels()), 0);
}

// The game's transparency: the mask (white where the sprite is black) with AND, then the sprite
// with OR. Black sprite pixels show the background, every other colour covers it.
TEST_F(SurfaceTest, MaskThenSpriteDrawsBlackAsTransparent) {
    Surface sprite, mask, screen;
    give(sprite, art({".R", "B."}));
    give(mask, art({"W.", ".W"}));
    give(screen, art({"aaaa", "cccc", "dddd"}));
    EXPECT_NE(mask.putOnto(screen, 1, 1, -1, -1, picture::kSrcAnd), 0);
    EXPECT_NE(sprite.putOnto(screen, 1, 1, -1, -1, picture::kSrcPaint), 0);
    EXPECT_TRUE(sameImage(*screen.bitmap(), art({"aaaa", "ccRc", "dBdd"}), "mask_sprite"));
}

TEST_F(SurfaceTest, CaptureOfABoundSurfaceReadsTheBackBufferEvenGivenASource) {
    paintBack(art({"RG", "BY"}), 5, 6);
    paintWindow(art({"WW", "WW"}), 5, 6);
    const platform::pixels::Bitmap source = art({"MMM", "MMM"});
    Surface s;
    picture::promptBindPicture(s);
    EXPECT_EQ(s.capture(5, 6, 3, 2, &source), 1);
    EXPECT_TRUE(sameImage(*s.bitmap(), art({"RG.", "BY."}), "capture_bound_source"));
    EXPECT_EQ(s.captureWindow(4, 5, 3, 3), 1);
    EXPECT_TRUE(sameImage(*s.bitmap(), art({"...", ".RG", ".BY"}), "capture_bound_window"));
    // Outside the back buffer stays black.
    EXPECT_EQ(s.captureWindow(kScreenW - 1, -1, 2, 2), 1);
    EXPECT_TRUE(sameImage(*s.bitmap(), art({"..", ".."}), "capture_bound_outside"));
}

TEST_F(SurfaceTest, CaptureOfAnUnboundSurfaceReadsTheSourceOrNothing) {
    const platform::pixels::Bitmap source = art({"RGB", "YMC"});
    Surface s;
    EXPECT_EQ(s.capture(1, 0, 2, 2, &source), 1);
    EXPECT_TRUE(sameImage(*s.bitmap(), art({"GB", "MC"}), "capture_unbound_source"));
    // Never bound: no window to read, and the old bitmap is gone all the same.
    EXPECT_EQ(s.captureWindow(0, 0, 2, 2), 0);
    EXPECT_EQ(s.bitmap(), nullptr);
    EXPECT_EQ(s.width(), 0);
}

TEST_F(SurfaceTest, CaptureReleasesTheOldBitmapEvenWhenTheNewOneFails) {
    Surface s;
    picture::promptBindPicture(s);
    give(s, art({"RG"}));
    for (auto [w, h] : {std::pair{0, 2}, {2, 0}, {-3, 4}, {20000, 1}, {9000, 9000}}) {
        give(s, art({"RG"}));
        EXPECT_EQ(s.captureWindow(0, 0, w, h), 0) << w << "x" << h;
        EXPECT_EQ(s.bitmap(), nullptr) << w << "x" << h;
    }
}

TEST_F(SurfaceTest, CaptureFromAnotherSurface) {
    Surface source, copy, boundCopy;
    give(source, art({"RGB", "YMC"}));
    EXPECT_EQ(copy.captureFrom(source, 1, 1, 2, 1), 1);
    EXPECT_TRUE(sameImage(*copy.bitmap(), art({"MC"}), "capture_from"));
    // From itself: nothing happens, the bitmap stays.
    EXPECT_EQ(copy.captureFrom(copy, 0, 0, 1, 1), 0);
    EXPECT_TRUE(sameImage(*copy.bitmap(), art({"MC"}), "capture_from_self"));
    // From a Surface without bitmap: nothing happens either.
    Surface empty;
    EXPECT_EQ(copy.captureFrom(empty, 0, 0, 1, 1), 0);
    ASSERT_NE(copy.bitmap(), nullptr);
    // Bound: the pixels come from the back buffer at the same place.
    paintBack(art({"WB"}), 0, 0);
    picture::promptBindPicture(boundCopy);
    EXPECT_EQ(boundCopy.captureFrom(source, 0, 0, 2, 1), 1);
    EXPECT_TRUE(sameImage(*boundCopy.bitmap(), art({"WB"}), "capture_from_bound"));
}

TEST_F(SurfaceTest, SetPixelOnABoundSurfaceIsMirroredIntoTheBackBuffer) {
    Surface bound, loose;
    picture::promptBindPicture(bound);
    give(bound, platform::pixels::Bitmap(3, 2));
    give(loose, platform::pixels::Bitmap(3, 2));
    bound.setPixelOn(2, 1, 0xFFFFFF);
    loose.setPixelOn(1, 0, 0xFFFFFF);
    EXPECT_TRUE(sameImage(*bound.bitmap(), art({"...", "..W"}), "set_pixel_on_bound"));
    EXPECT_TRUE(sameImage(*loose.bitmap(), art({".W.", "..."}), "set_pixel_on_loose"));
    EXPECT_TRUE(sameImage(crop(backPixels(), 0, 0, 3, 2), art({"...", "..W"}), "set_pixel_on_back"));
    EXPECT_EQ(countLit(backPixels()), 1);
    EXPECT_EQ(countLit(windowPixels()), 0);
    // setPixel with no target draws on the window, and mirrors when bound.
    bound.setPixel(0, 0, 0x0000FF, nullptr);
    loose.setPixel(1, 1, 0x0000FF, nullptr);
    EXPECT_TRUE(sameImage(crop(windowPixels(), 0, 0, 2, 2), art({"R.", ".."}), "set_pixel_window"));
    EXPECT_TRUE(sameImage(crop(backPixels(), 0, 0, 3, 2), art({"R..", "..W"}), "set_pixel_window_back"));
}

// An opaque copy onto the window reaches the back buffer later; whatever comes next (another copy
// elsewhere or over it, an AND or OR on the window, a single pixel, a repaint) must find the back
// buffer as if it had been drawn at once. The window is 24 x 20 and the back buffer 40 x 30.
TEST_F(SurfaceTest, OpaqueCopiesReachTheBackBufferWhateverFollows) {
    struct Step {
        const char* picture;
        int32_t x, y;
        uint32_t rop;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool repaint;
        int32_t cx, cy;
        std::vector<std::string> back; // the back buffer from (cx, cy)
    };
    const std::map<std::string, platform::pixels::Bitmap> pictures = {
        {"RG", art({"RG", "RG"})}, {"BB", art({"BB", "BB"})}, {"W", art({"W"})}, {"wide", art({"RGBYMC"})}};
    const Case cases[] = {
        {"two places", {{"RG", 1, 1, 0}, {"BB", 4, 0, 0}}, false, 0, 0, {"....BB", ".RG.BB", ".RG..."}},
        {"covered", {{"BB", 1, 1, 0}, {"RG", 1, 1, 0}}, false, 0, 0, {"...", ".RG", ".RG"}},
        {"a corner over it", {{"BB", 1, 1, 0}, {"W", 2, 2, 0}}, false, 0, 0, {"...", ".BB", ".BW"}},
        {"OR over it", {{"RG", 0, 0, 0}, {"BB", 0, 0, picture::kSrcPaint}}, false, 0, 0, {"MC", "MC"}},
        {"then a repaint", {{"RG", 0, 0, 0}}, true, 0, 0, {"RG", "RG"}},
        {"beyond the window", {{"wide", 20, 0, 0}}, false, 20, 0, {"RGBYMC"}},
        {"off the top", {{"RG", 3, -1, 0}, {"W", 3, 0, 0}}, false, 3, 0, {"WG", ".."}},
    };
    for (const Case& c : cases) {
        prompt::destroyCanvas();
        prompt::createCanvas(kScreenW, kScreenH, kClientW, kClientH);
        Surface s;
        picture::promptBindPicture(s);
        for (const Step& step : c.steps) {
            give(s, pictures.at(step.picture));
            EXPECT_NE(s.putAt(step.x, step.y, step.rop), 0) << c.name;
        }
        if (c.repaint) {
            paintWindow(platform::pixels::Bitmap(kClientW, kClientH, 0xFFFFFF), 0, 0);
            prompt::promptPaint();
            EXPECT_TRUE(sameImage(crop(windowPixels(), c.cx, c.cy, 2, 2), art(c.back), "deferred_repaint"))
                << c.name;
        }
        const platform::pixels::Bitmap expected = art(c.back);
        EXPECT_TRUE(sameImage(crop(backPixels(), c.cx, c.cy, expected.width, expected.height), expected,
                              std::string("deferred_") + c.name))
            << c.name;
    }
}

// A picture handed over to the window shows as the same opaque copy would, whatever comes next,
// in the window, in the back buffer and in what the window presents: each case runs once with
// copies only and once with hand-overs where it says so, and the two must agree. A picture drawn
// anew in the place of the one the window shows (Redraw: where the window has none there, it is
// handed over) agrees too. A present copies only what changed over the view it showed last. The
// window is 24 x 20, the back buffer 40 x 30.
TEST_F(SurfaceTest, HandedOverPicturesShowAsCopiesWould) {
    enum How { Copy, HandOver, Or, Redraw };
    struct Step {
        const char* picture;
        int32_t x, y;
        How how;
        bool inPlace = false; // Redraw: drawn on the picture the window shows
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool repaint;
    };
    const std::map<std::string, platform::pixels::Bitmap> pictures = {{"RG", art({"RG", "RG"})},
                                                                      {"BB", art({"BB", "BB", "BB"})},
                                                                      {"GR", art({"GR", "GR"})},
                                                                      {"W", art({"W"})},
                                                                      {"wide", art({"RGBYMC"})}};
    const Case cases[] = {
        {"twice in one place", {{"RG", 1, 1, HandOver}, {"RG", 1, 1, HandOver}}, false},
        {"a smaller copy over it", {{"BB", 1, 1, HandOver}, {"W", 2, 2, Copy}}, false},
        {"beside a copy", {{"RG", 0, 0, Copy}, {"BB", 4, 0, HandOver}}, false},
        {"one that does not cover it", {{"wide", 0, 0, HandOver}, {"RG", 2, 0, HandOver}}, false},
        {"one that covers it", {{"RG", 1, 1, HandOver}, {"BB", 1, 0, HandOver}}, false},
        {"off the top", {{"BB", 3, -1, HandOver}, {"RG", 3, -1, HandOver}}, false},
        {"OR over it", {{"RG", 0, 0, HandOver}, {"BB", 0, 0, Or}}, false},
        {"then a repaint", {{"RG", 5, 5, HandOver}}, true},
        {"beyond the window", {{"wide", 20, 0, HandOver}}, false},
        {"drawn anew in its place",
         {{"RG", 1, 1, HandOver}, {"GR", 1, 1, Redraw, true}, {"RG", 1, 1, Redraw, true}},
         false},
        {"drawn anew elsewhere",
         {{"RG", 1, 1, HandOver}, {"GR", 2, 1, Redraw}, {"RG", 2, 1, Redraw, true}},
         false},
        {"drawn anew at another size", {{"RG", 1, 1, HandOver}, {"BB", 1, 1, Redraw}}, false},
        {"drawn anew after a copy beside it",
         {{"RG", 1, 1, HandOver}, {"W", 9, 9, Copy}, {"GR", 1, 1, Redraw}},
         false},
        {"drawn anew off the top", {{"BB", 3, -1, HandOver}, {"BB", 3, -1, Redraw, true}}, false},
        {"drawn anew, then a repaint", {{"RG", 5, 5, HandOver}, {"GR", 5, 5, Redraw, true}}, true},
    };
    struct Seen {
        platform::pixels::Bitmap presented, whole, window, back;
    };
    const auto run = [&](const Case& c, bool handOver) {
        prompt::destroyCanvas();
        prompt::createCanvas(kScreenW, kScreenH, kClientW, kClientH);
        Seen seen{platform::pixels::Bitmap(kClientW, kClientH, 0x123456),
                  platform::pixels::Bitmap(kClientW, kClientH, 0x123456),
                  {},
                  {}};
        const auto present = [&](bool all, platform::pixels::Bitmap& view) {
            const prompt::Area a = prompt::takeWindowChanges(all);
            if (!a.empty())
                prompt::copyWindowTo(view.row(a.y0) + a.x0, view.width, a, platform::pixels::Order::Xbgr);
        };
        present(true, seen.presented);
        Surface s;
        picture::promptBindPicture(s);
        for (const Step& step : c.steps) {
            const platform::pixels::Bitmap& p = pictures.at(step.picture);
            give(s, p);
            if (step.how == Redraw && handOver) {
                const int32_t drawn = s.redrawShownAt(step.x, step.y, [&p](platform::pixels::Bitmap& shown) {
                    ASSERT_TRUE(shown.width == p.width && shown.height == p.height);
                    shown.pixels = p.pixels;
                });
                EXPECT_EQ(drawn != 0, step.inPlace) << c.name << ": " << step.picture << " drawn in place";
                if (!drawn) {
                    EXPECT_EQ(s.handOverAt(step.x, step.y), 1) << c.name;
                }
            } else if (step.how == HandOver && handOver) {
                EXPECT_EQ(s.handOverAt(step.x, step.y), 1) << c.name;
                EXPECT_TRUE(s.width() == p.width && s.height() == p.height) << c.name << ": the size is kept";
            } else {
                EXPECT_NE(s.putAt(step.x, step.y, step.how == Or ? picture::kSrcPaint : picture::kSrcCopy), 0)
                    << c.name;
            }
            present(false, seen.presented);
        }
        if (c.repaint) {
            paintWindow(platform::pixels::Bitmap(kClientW, kClientH, 0xFFFFFF), 0, 0);
            prompt::promptPaint();
            present(false, seen.presented);
        }
        present(true, seen.whole); // as into a texture made anew
        seen.back = backPixels();  // before the window, which takes what is shown over it
        seen.window = windowPixels();
        return seen;
    };
    for (const Case& c : cases) {
        const Seen copied = run(c, false), handed = run(c, true);
        const std::string name = std::string("hand_over_") + c.name;
        EXPECT_TRUE(sameImage(handed.presented, copied.window, name + "_presented"))
            << c.name << ": presented";
        EXPECT_TRUE(sameImage(copied.presented, copied.window, name + "_copies_presented")) << c.name;
        EXPECT_TRUE(sameImage(handed.whole, copied.window, name + "_whole")) << c.name << ": presented whole";
        EXPECT_TRUE(sameImage(handed.window, copied.window, name + "_window")) << c.name << ": window";
        EXPECT_TRUE(sameImage(handed.back, copied.back, name + "_back")) << c.name << ": back buffer";
    }
}

TEST(SurfaceWithoutWindow, BindingWithoutAWindowLeavesTheSurfaceUnbound) {
    Surface s;
    picture::promptBindPicture(s);
    EXPECT_FALSE(s.isBound());
    s.replaceBitmap(std::make_unique<platform::pixels::Bitmap>(1, 1, 0xFFFFFF));
    EXPECT_EQ(s.putAt(0, 0), 0);
}

} // namespace
