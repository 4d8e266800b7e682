#include "platform/pixels.hpp"
#include "tests/platform/pixel_art.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using pixel_art::art;
using pixel_art::sameImage;
using Rows = std::vector<std::string>;

// The three raster operations at natural size, on colours whose bits overlap partly, so that a
// swapped or approximate operation shows: a = 0x123456, b = 0x0F0F0F, c = 0x654321, d = 0xF0F0F0.
TEST(PixelBlit, RasterOperationsAreExactOnEveryColourBit) {
    struct Row {
        const char* name;
        uint32_t rop;
        platform::pixels::Colour expectedFromAOverC; // source a onto destination c
        platform::pixels::Colour expectedFromBOverD; // source b onto destination d
    } rows[] = {
        {"zero means copy", 0, 0x123456, 0x0F0F0F},
        {"copy", platform::pixels::kSrcCopy, 0x123456, 0x0F0F0F},
        {"and", platform::pixels::kSrcAnd, 0x123456 & 0x654321, 0x000000},
        {"paint", platform::pixels::kSrcPaint, 0x123456 | 0x654321, 0xFFFFFF},
    };
    for (const Row& r : rows) {
        platform::pixels::Bitmap dst = art({"cd"});
        const platform::pixels::Bitmap src = art({"ab"});
        ASSERT_TRUE(platform::pixels::blit(dst, 0, 0, 2, 1, src, 0, 0, r.rop)) << r.name;
        EXPECT_EQ(dst.at(0, 0), r.expectedFromAOverC) << r.name;
        EXPECT_EQ(dst.at(1, 0), r.expectedFromBOverD) << r.name;
        // The stretching path must agree with the natural-size one.
        platform::pixels::Bitmap stretched = art({"cd"});
        const platform::pixels::Bitmap half = art({"a"});
        ASSERT_TRUE(platform::pixels::stretchBlit(stretched, 0, 0, 1, 1, src, 0, 0, 1, 1, r.rop)) << r.name;
        ASSERT_TRUE(platform::pixels::stretchBlit(stretched, 1, 0, 1, 1, src, 1, 0, 2, 1, r.rop)) << r.name;
        EXPECT_EQ(stretched.at(0, 0), r.expectedFromAOverC) << r.name << " (stretch)";
        EXPECT_EQ(stretched.at(1, 0), r.expectedFromBOverD) << r.name << " (stretch)";
    }
}

TEST(PixelBlit, UnknownRasterOperationDrawsNothingAndFails) {
    platform::pixels::Bitmap dst = art({"cd"});
    const platform::pixels::Bitmap src = art({"ab"});
    EXPECT_FALSE(platform::pixels::blit(dst, 0, 0, 2, 1, src, 0, 0, 0x00660046));
    EXPECT_FALSE(platform::pixels::stretchBlit(dst, 0, 0, 4, 1, src, 0, 0, 2, 1, 0x00660046));
    EXPECT_TRUE(sameImage(dst, art({"cd"}), "blit_unknown_rop"));
}

// A 2 x 2 picture put at every side of a 4 x 3 target, partly and wholly outside.
TEST(PixelBlit, ClipsAtEveryEdge) {
    const platform::pixels::Bitmap src = art({"RG", "BY"});
    struct Row {
        int32_t x, y;
        Rows expected;
    } rows[] = {
        {1, 1, {"....", ".RG.", ".BY."}},         {-1, 0, {"G...", "Y...", "...."}},
        {3, 0, {"...R", "...B", "...."}},         {0, -1, {"BY..", "....", "...."}},
        {0, 2, {"....", "....", "RG.."}},         {-1, -1, {"Y...", "....", "...."}},
        {3, 2, {"....", "....", "...R"}},         {-2, 0, {"....", "....", "...."}},
        {4, 0, {"....", "....", "...."}},         {0, -2, {"....", "....", "...."}},
        {0, 3, {"....", "....", "...."}},         {INT32_MIN, INT32_MIN, {"....", "....", "...."}},
        {INT32_MAX, 0, {"....", "....", "...."}},
    };
    for (const Row& r : rows) {
        platform::pixels::Bitmap dst(4, 3);
        ASSERT_TRUE(platform::pixels::blit(dst, r.x, r.y, 2, 2, src, 0, 0, platform::pixels::kSrcCopy));
        EXPECT_TRUE(
            sameImage(dst, art(r.expected), "blit_clip_" + std::to_string(r.x) + "_" + std::to_string(r.y)));
        platform::pixels::Bitmap viaStretch(4, 3);
        ASSERT_TRUE(platform::pixels::stretchBlit(viaStretch, r.x, r.y, 2, 2, src, 0, 0, 2, 2,
                                                  platform::pixels::kSrcCopy));
        EXPECT_TRUE(sameImage(viaStretch, art(r.expected), "stretch_clip_" + std::to_string(r.x)));
    }
}

// The one-pass sprite pair gives exactly the pixels of the mask with AND and then the sprite with
// OR, wherever it lands (inside, over each edge, outside); a pair of two sizes draws nothing.
TEST(PixelBlit, MaskedSpriteEqualsAndThenPaint) {
    platform::pixels::Bitmap mask(5, 4), sprite(5, 4), ground(9, 7);
    uint32_t seed = 12345;
    const auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 8 & 0xFFFFFF; };
    for (auto* b : {&mask, &sprite, &ground})
        for (platform::pixels::Colour& c : b->pixels) c = next();
    const int32_t places[][2] = {{2, 1}, {-3, 0}, {6, 5}, {0, -2}, {-5, 0}, {9, 0}, {INT32_MIN, 3}};
    for (const auto& at : places) {
        platform::pixels::Bitmap expected = ground, actual = ground;
        platform::pixels::blit(expected, at[0], at[1], 5, 4, mask, 0, 0, platform::pixels::kSrcAnd);
        platform::pixels::blit(expected, at[0], at[1], 5, 4, sprite, 0, 0, platform::pixels::kSrcPaint);
        ASSERT_TRUE(platform::pixels::maskedBlit(actual, at[0], at[1], mask, sprite));
        EXPECT_TRUE(
            sameImage(actual, expected, "masked_" + std::to_string(at[0]) + "_" + std::to_string(at[1])));
        // The same picture composed a band of rows at a time, bands cutting the sprite anywhere.
        platform::pixels::Bitmap banded = ground;
        for (const auto& band : {std::pair{INT32_MIN, 0}, {0, 2}, {2, 3}, {3, 6}, {6, INT32_MAX}})
            ASSERT_TRUE(platform::pixels::maskedBlit(banded, at[0], at[1], mask, sprite, band.first, band.second));
        EXPECT_TRUE(sameImage(banded, expected, "masked_bands_" + std::to_string(at[0])));
    }
    platform::pixels::Bitmap untouched = ground;
    EXPECT_FALSE(platform::pixels::maskedBlit(untouched, 0, 0, mask, platform::pixels::Bitmap(5, 3)));
    EXPECT_EQ(untouched.pixels, ground.pixels);
}

// Rows are combined eight pixels at a time and the rest one by one: every length up to three
// runs and a remainder, at every start within a run, gives each pixel as its own operation would,
// and the copy for a display exchanges red and blue in each pixel and nothing else.
TEST(PixelBlit, EveryRowLengthAndStartCombinesEachPixel) {
    uint32_t seed = 777;
    const auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 4 & 0xFFFFFF; };
    platform::pixels::Bitmap a(40, 1), b(40, 1), m(40, 1);
    for (auto* bm : {&a, &b, &m})
        for (platform::pixels::Colour& c : bm->pixels) c = next();
    const auto exchanged = [](uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); };
    for (int32_t start = 0; start < 8; ++start)
        for (int32_t n = 0; n <= 25; ++n) {
            const std::string what = "start " + std::to_string(start) + ", " + std::to_string(n) + " pixels";
            platform::pixels::Bitmap anded = a, ored = a, masked = a;
            platform::pixels::blit(anded, start, 0, n, 1, b, 0, 0, platform::pixels::kSrcAnd);
            platform::pixels::blit(ored, start, 0, n, 1, b, 0, 0, platform::pixels::kSrcPaint);
            platform::pixels::Bitmap sprite(n, 1), mask(n, 1);
            std::copy_n(b.pixels.begin(), n, sprite.pixels.begin());
            std::copy_n(m.pixels.begin(), n, mask.pixels.begin());
            if (n > 0) platform::pixels::maskedBlit(masked, start, 0, mask, sprite);
            // Each pixel as a block's row, at the factors a view enlarges by.
            for (const int32_t factor : {1, 2, 3}) {
                std::vector<uint32_t> wide(static_cast<size_t>(n * factor + 1), 0xABCDEF);
                platform::pixels::enlargeRow(wide.data(), b.pixels.data() + start, static_cast<size_t>(n), factor);
                for (int32_t x = 0; x <= n * factor; ++x)
                    ASSERT_EQ(wide[static_cast<size_t>(x)], x < n * factor ? b.at(start + x / factor, 0) : 0xABCDEF)
                        << what << ": enlarged by " << factor << " at " << x;
            }
            std::vector<uint32_t> xrgb(40, 0xABCDEF), xbgr(40, 0xABCDEF);
            platform::pixels::copyRow(xrgb.data() + start, b.pixels.data(), static_cast<size_t>(n),
                                      platform::pixels::Order::Xrgb);
            platform::pixels::copyRow(xbgr.data() + start, b.pixels.data(), static_cast<size_t>(n),
                                      platform::pixels::Order::Xbgr);
            for (int32_t x = 0; x < 40; ++x) {
                const bool in = x >= start && x < start + n;
                const uint32_t s = in ? b.at(x - start, 0) : 0, d = a.at(x, 0);
                ASSERT_EQ(anded.at(x, 0), in ? (d & s) : d) << what << ": AND at " << x;
                ASSERT_EQ(ored.at(x, 0), in ? (d | s) : d) << what << ": OR at " << x;
                ASSERT_EQ(masked.at(x, 0), in ? ((d & m.at(x - start, 0)) | s) : d)
                    << what << ": masked at " << x;
                ASSERT_EQ(xrgb[static_cast<size_t>(x)], in ? exchanged(s) : 0xABCDEF)
                    << what << ": red-blue at " << x;
                ASSERT_EQ(xbgr[static_cast<size_t>(x)], in ? s : 0xABCDEF) << what << ": copy at " << x;
            }
        }
}

// Destination pixel i takes source pixel i * sw / w (integer division), also where the left or
// top part of the stretched rectangle lies outside the target.
TEST(PixelBlit, NearestNeighbourStretchTakesSourceIndexTimesRatio) {
    const platform::pixels::Bitmap three = art({"RGB"});
    struct Row {
        const char* name;
        int32_t x, y, w, h;
        Rows expected; // on a 7 x 2 black target
    } rows[] = {
        {"3 to 7", 0, 0, 7, 1, {"RRRGGBB", "......."}},
        {"3 to 7 from -2", -2, 0, 7, 1, {"RGGBB..", "......."}},
        {"3 to 2", 0, 0, 2, 1, {"RG.....", "......."}},
        {"3 to 5 tall", 1, 0, 5, 2, {".RRGGB.", ".RRGGB."}},
        {"3 to 6 from 3", 3, 1, 6, 1, {".......", "...RRGG"}},
    };
    for (const Row& r : rows) {
        platform::pixels::Bitmap dst(7, 2);
        ASSERT_TRUE(platform::pixels::stretchBlit(dst, r.x, r.y, r.w, r.h, three, 0, 0, 3, 1,
                                                  platform::pixels::kSrcCopy));
        EXPECT_TRUE(sameImage(dst, art(r.expected), std::string("stretch_") + r.name)) << r.name;
    }
    // Rows follow the same rule: 2 rows to 5 give 0,0,0,1,1.
    const platform::pixels::Bitmap column = art({"R", "B"});
    platform::pixels::Bitmap tall(1, 5);
    ASSERT_TRUE(
        platform::pixels::stretchBlit(tall, 0, 0, 1, 5, column, 0, 0, 1, 2, platform::pixels::kSrcCopy));
    EXPECT_TRUE(sameImage(tall, art({"R", "R", "R", "B", "B"}), "stretch_rows"));
}

TEST(PixelBlit, SourcePixelsOutsideTheSourceLeaveTheTargetAlone) {
    const platform::pixels::Bitmap src = art({"RG", "BY"});
    platform::pixels::Bitmap dst = art({"WWW", "WWW", "WWW"});
    ASSERT_TRUE(platform::pixels::blit(dst, 0, 0, 3, 3, src, -1, 0, platform::pixels::kSrcCopy));
    EXPECT_TRUE(sameImage(dst, art({"WRG", "WBY", "WWW"}), "blit_source_outside"));
    platform::pixels::Bitmap stretched = art({"WWWW", "WWWW"});
    ASSERT_TRUE(
        platform::pixels::stretchBlit(stretched, 0, 0, 4, 2, src, 1, 1, 2, 2, platform::pixels::kSrcCopy));
    EXPECT_TRUE(sameImage(stretched, art({"YYWW", "WWWW"}), "stretch_source_outside"));
}

TEST(PixelBlit, EmptyRectanglesDrawNothing) {
    const platform::pixels::Bitmap src = art({"RG"});
    for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-2, 1}, {2, -1}}) {
        platform::pixels::Bitmap dst = art({"WW"});
        EXPECT_TRUE(platform::pixels::blit(dst, 0, 0, w, h, src, 0, 0, platform::pixels::kSrcCopy));
        EXPECT_TRUE(
            platform::pixels::stretchBlit(dst, 0, 0, w, h, src, 0, 0, 2, 1, platform::pixels::kSrcCopy));
        EXPECT_TRUE(sameImage(dst, art({"WW"}), "blit_empty")) << w << "x" << h;
    }
}

// Drawing a bitmap onto itself reads the pixels as they were before: one row down (the scroll),
// one row up, one column right and left, with each raster operation, and stretched.
TEST(PixelBlit, OverlappingSourceAndTargetReadTheOldPixels) {
    const Rows start = {"RGB", "YMC", "abc"};
    struct Row {
        const char* name;
        int32_t dx, dy;
        uint32_t rop;
        Rows expected;
    } rows[] = {
        {"down", 0, 1, platform::pixels::kSrcCopy, {"RGB", "RGB", "YMC"}},
        {"up", 0, -1, platform::pixels::kSrcCopy, {"YMC", "abc", "abc"}},
        {"right", 1, 0, platform::pixels::kSrcCopy, {"RRG", "YYM", "aab"}},
        {"left", -1, 0, platform::pixels::kSrcCopy, {"GBB", "MCC", "bcc"}},
        {"right and", 1, 0, platform::pixels::kSrcAnd, {}},
        {"down paint", 0, 1, platform::pixels::kSrcPaint, {}},
    };
    for (const Row& r : rows) {
        platform::pixels::Bitmap b = art(start);
        // What a separate copy of the source gives is the reference.
        platform::pixels::Bitmap reference = art(start);
        const platform::pixels::Bitmap before = art(start);
        ASSERT_TRUE(platform::pixels::blit(reference, r.dx, r.dy, 3, 3, before, 0, 0, r.rop));
        ASSERT_TRUE(platform::pixels::blit(b, r.dx, r.dy, 3, 3, b, 0, 0, r.rop));
        EXPECT_TRUE(sameImage(b, reference, std::string("overlap_") + r.name)) << r.name;
        if (!r.expected.empty()) {
            EXPECT_TRUE(sameImage(b, art(r.expected), std::string("overlap_") + r.name));
        }
    }
    platform::pixels::Bitmap b = art({"RGB", "YMC", "abc"});
    ASSERT_TRUE(platform::pixels::stretchBlit(b, 0, 0, 3, 3, b, 1, 1, 2, 2, platform::pixels::kSrcCopy));
    EXPECT_TRUE(sameImage(b, art({"MMC", "MMC", "bbc"}), "overlap_stretch"));
}

TEST(PixelFill, FillsTheClippedRectangle) {
    platform::pixels::Bitmap b = art({"WWW", "WWW"});
    platform::pixels::fillRect(b, 1, -1, 5, 2, 0);
    EXPECT_TRUE(sameImage(b, art({"W..", "WWW"}), "fill_clipped"));
    platform::pixels::fillRect(b, 0, 0, 0, 5, 0);
    EXPECT_TRUE(sameImage(b, art({"W..", "WWW"}), "fill_empty"));
}

TEST(PixelRectangle, OutlineAndFillWithRightAndBottomEdgesExcluded) {
    struct Row {
        const char* name;
        int32_t l, t, r, b;
        bool filled;
        Rows expected; // on a 6 x 5 white target, pen red, fill blue
    } rows[] = {
        {"outline", 1, 1, 5, 4, false, {"WWWWWW", "WRRRRW", "WRWWRW", "WRRRRW", "WWWWWW"}},
        {"filled", 1, 1, 5, 4, true, {"WWWWWW", "WRRRRW", "WRBBRW", "WRRRRW", "WWWWWW"}},
        {"corners swapped", 5, 4, 1, 1, true, {"WWWWWW", "WRRRRW", "WRBBRW", "WRRRRW", "WWWWWW"}},
        {"one pixel", 2, 2, 3, 3, true, {"WWWWWW", "WWWWWW", "WWRWWW", "WWWWWW", "WWWWWW"}},
        {"empty", 2, 2, 2, 4, true, {"WWWWWW", "WWWWWW", "WWWWWW", "WWWWWW", "WWWWWW"}},
        {"clipped", -1, -1, 3, 7, true, {"BBRWWW", "BBRWWW", "BBRWWW", "BBRWWW", "BBRWWW"}},
        {"huge",
         INT32_MIN,
         INT32_MIN,
         INT32_MAX,
         INT32_MAX,
         true,
         {"BBBBBB", "BBBBBB", "BBBBBB", "BBBBBB", "BBBBBB"}},
    };
    for (const Row& r : rows) {
        platform::pixels::Bitmap b(6, 5, 0xFFFFFF);
        platform::pixels::rectangle(b, r.l, r.t, r.r, r.b, 0x0000FF,
                                    r.filled ? std::optional<platform::pixels::Colour>(0xFF0000)
                                             : std::nullopt);
        EXPECT_TRUE(sameImage(b, art(r.expected), std::string("rectangle_") + r.name)) << r.name;
    }
}

TEST(PixelLine, StepsAlongTheLongerAxisAndLeavesOutTheEndPoint) {
    struct Row {
        const char* name;
        int32_t x1, y1, x2, y2;
        Rows expected; // 5 x 4
    } rows[] = {
        {"horizontal", 0, 0, 3, 0, {"RRR..", ".....", ".....", "....."}},
        {"backwards", 3, 1, 0, 1, {".....", ".RRR.", ".....", "....."}},
        {"diagonal", 0, 0, 3, 3, {"R....", ".R...", "..R..", "....."}},
        {"two to one", 0, 0, 4, 2, {"R....", ".RR..", "...R.", "....."}},
        {"steep up", 1, 3, 2, 0, {".....", "..R..", ".R...", ".R..."}},
        {"single point", 2, 2, 2, 2, {".....", ".....", ".....", "....."}},
        {"from far left", -2000000000, 2, 2000000000, 2, {".....", ".....", "RRRRR", "....."}},
    };
    for (const Row& r : rows) {
        platform::pixels::Bitmap b(5, 4);
        platform::pixels::line(b, r.x1, r.y1, r.x2, r.y2, 0x0000FF);
        EXPECT_TRUE(sameImage(b, art(r.expected), std::string("line_") + r.name)) << r.name;
    }
}

TEST(PixelPoint, SetAndGetInsideAndOutside) {
    platform::pixels::Bitmap b(2, 2);
    platform::pixels::setPixel(b, 1, 0, 0x123456);
    platform::pixels::setPixel(b, 2, 0, 0xFFFFFF);
    platform::pixels::setPixel(b, -1, 1, 0xFFFFFF);
    platform::pixels::setPixel(b, 0, 1, 0xAB123456); // only the colour bits are kept
    EXPECT_TRUE(sameImage(b, art({".a", "a."}), "set_pixel"));
    EXPECT_EQ(platform::pixels::getPixel(b, 1, 0), 0x123456u);
    EXPECT_EQ(platform::pixels::getPixel(b, 2, 0), platform::pixels::kInvalidColour);
    EXPECT_EQ(platform::pixels::getPixel(b, 0, -1), platform::pixels::kInvalidColour);
}

} // namespace
