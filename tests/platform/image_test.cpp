#include "platform/image.hpp"
#include "tests/platform/image_files.hpp"
#include "tests/platform/pixel_art.hpp"
#include "tests/support/jpeg_writer.hpp"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

namespace {

using image_files::BmpSpec;
using image_files::GifFrame;
using image_files::packRows;
using pixel_art::art;
using pixel_art::sameImage;
using Rows = std::vector<std::vector<uint32_t>>;

std::span<const uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

constexpr platform::pixels::Colour kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

// Every stored layout decodes the same 3 x 2 picture (odd width, so rows carry padding):
//   R G B
//   W . a        (a = 0x123456 where the layout can hold it)
struct BmpCase {
    const char* name;
    BmpSpec spec;
    std::vector<std::string> expected;
};

BmpSpec indexed(uint32_t headerSize, uint16_t bpp, bool topDown) {
    BmpSpec s;
    s.headerSize = headerSize;
    s.width = 3;
    s.height = topDown ? -2 : 2;
    s.bpp = bpp;
    s.palette = {kRed, kGreen, kBlue, kWhite, 0x000000};
    if (bpp == 1) s.palette = {kRed, kWhite};
    const Rows rows = bpp == 1 ? Rows{{0, 1, 0}, {1, 1, 0}} : Rows{{0, 1, 2}, {3, 4, 3}};
    s.data = packRows(rows, bpp, topDown);
    return s;
}

BmpSpec direct(uint32_t headerSize, uint16_t bpp, uint32_t compression, std::array<uint32_t, 4> masks,
               const Rows& rows, bool topDown = false) {
    BmpSpec s;
    s.headerSize = headerSize;
    s.width = 3;
    s.height = topDown ? -2 : 2;
    s.bpp = bpp;
    s.compression = compression;
    s.masks = masks;
    s.data = packRows(rows, bpp, topDown);
    return s;
}

TEST(BmpDecoder, DecodesEveryHeaderAndPixelLayout) {
    const Rows rgb24 = {{kRed, kGreen, kBlue}, {kWhite, 0, 0x123456}};
    // 0x00RRGGBB as 32-bit values: the stored order of a plain 32-bit file.
    const Rows xrgb32 = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0, 0x563412}};
    // 5-5-5 and 5-6-5 values of the same colours (a is not representable; 0x7FFF is white).
    const Rows rgb555 = {{0x7C00, 0x03E0, 0x001F}, {0x7FFF, 0, 0x0000}};
    const Rows rgb565 = {{0xF800, 0x07E0, 0x001F}, {0xFFFF, 0, 0x0000}};
    const std::array<uint32_t, 4> m565 = {0xF800, 0x07E0, 0x001F, 0};
    // Bits 0-7 blue, 8-15 red, 16-23 green: masks decide, not the usual order.
    const std::array<uint32_t, 4> odd32 = {0x0000FF00, 0x00FF0000, 0x000000FF, 0xFF000000};
    const Rows odd32Rows = {{0xFF00FF00, 0xFFFF0000, 0xFF0000FF}, {0xFFFFFFFF, 0, 0x00345612}};
    const BmpCase cases[] = {
        {"1-bit info", indexed(40, 1, false), {"RWR", "WWR"}},
        {"4-bit info", indexed(40, 4, false), {"RGB", "W.W"}},
        {"8-bit info", indexed(40, 8, false), {"RGB", "W.W"}},
        {"8-bit top-down", indexed(40, 8, true), {"RGB", "W.W"}},
        {"8-bit core", indexed(12, 8, false), {"RGB", "W.W"}},
        {"4-bit core", indexed(12, 4, false), {"RGB", "W.W"}},
        {"8-bit OS/2 short", indexed(16, 8, false), {"RGB", "W.W"}},
        {"8-bit OS/2 long", indexed(64, 8, false), {"RGB", "W.W"}},
        {"8-bit V5", indexed(124, 8, false), {"RGB", "W.W"}},
        {"24-bit info", direct(40, 24, 0, {}, rgb24), {"RGB", "W.a"}},
        {"24-bit top-down", direct(40, 24, 0, {}, rgb24, true), {"RGB", "W.a"}},
        {"24-bit core", direct(12, 24, 0, {}, rgb24), {"RGB", "W.a"}},
        {"24-bit V4", direct(108, 24, 0, {}, rgb24), {"RGB", "W.a"}},
        {"32-bit plain", direct(40, 32, 0, {}, xrgb32), {"RGB", "W.a"}},
        {"32-bit bit fields V4", direct(108, 32, 3, odd32, odd32Rows), {"RGB", "W.a"}},
        {"32-bit bit fields after header", direct(40, 32, 3, odd32, odd32Rows), {"RGB", "W.a"}},
        {"32-bit alpha bit fields", direct(40, 32, 6, odd32, odd32Rows), {"RGB", "W.a"}},
        {"32-bit bit fields V5 top-down", direct(124, 32, 3, odd32, odd32Rows, true), {"RGB", "W.a"}},
        {"16-bit 555", direct(40, 16, 0, {}, rgb555), {"RGB", "W.."}},
        {"16-bit 565 after header", direct(40, 16, 3, m565, rgb565), {"RGB", "W.."}},
        {"16-bit 565 in 56-byte header", direct(56, 16, 3, m565, rgb565), {"RGB", "W.."}},
    };
    for (const BmpCase& c : cases) {
        const std::string file = image_files::bmpFile(c.spec);
        const auto decoded = platform::decodeBmp(bytesOf(file));
        ASSERT_TRUE(decoded.has_value()) << c.name << ": expected a picture, got a refusal";
        EXPECT_TRUE(sameImage(*decoded, art(c.expected), std::string("bmp_") + c.name)) << c.name;
    }
}

// Narrow channels widen by repeating their bits: 5 bits 31 -> 255, 16 -> 132, 1 -> 8; 6 bits 1 -> 4.
TEST(BmpDecoder, NarrowChannelsWidenToTheFullRange) {
    const std::array<uint32_t, 4> m565 = {0xF800, 0x07E0, 0x001F, 0};
    const BmpSpec spec =
        direct(40, 16, 3, m565, {{(16u << 11) | (1u << 5) | 1u, (31u << 11) | (63u << 5) | 31u, 1u << 11}});
    BmpSpec one = spec;
    one.height = 1;
    const auto decoded = platform::decodeBmp(bytesOf(image_files::bmpFile(one)));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->at(0, 0), platform::pixels::rgb(132, 4, 8)) << pixel_art::hex(decoded->at(0, 0));
    EXPECT_EQ(decoded->at(1, 0), platform::pixels::rgb(255, 255, 255)) << pixel_art::hex(decoded->at(1, 0));
    EXPECT_EQ(decoded->at(2, 0), platform::pixels::rgb(8, 0, 0)) << pixel_art::hex(decoded->at(2, 0));
}

TEST(BmpDecoder, PaletteShorterThanTheIndicesGivesBlack) {
    BmpSpec s = indexed(40, 8, false);
    s.palette = {kRed, kGreen};
    s.coloursUsed = 2;
    const auto decoded = platform::decodeBmp(bytesOf(image_files::bmpFile(s)));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(sameImage(*decoded, art({"RG.", "..."}), "bmp_short_palette"));
}

BmpSpec rle(uint16_t bpp, std::vector<uint8_t> data, int32_t w, int32_t h) {
    BmpSpec s;
    s.width = w;
    s.height = h;
    s.bpp = bpp;
    s.compression = bpp == 8 ? 1 : 2;
    s.palette = {0x000000, kRed, kGreen, kBlue, kWhite};
    s.data = std::move(data);
    return s;
}

TEST(BmpDecoder, RunLengthCodedRows) {
    struct Case {
        const char* name;
        BmpSpec spec;
        std::vector<std::string> expected;
    } cases[] = {
        // Bottom row: runs of 3 red, 1 green, 1 blue; top row: a move 1 right, then white.
        {"rle8 runs", rle(8, {3, 1, 1, 2, 1, 3, 0, 0, 0, 2, 1, 0, 1, 4, 0, 1}, 5, 2), {".W...", "RRRGB"}},
        // Absolute run of 3 with padding, end of line, then end of bitmap before the last row.
        {"rle8 absolute and early end", rle(8, {0, 3, 4, 2, 3, 0, 0, 0, 0, 1}, 3, 3), {"...", "...", "WGB"}},
        // Runs alternate the two nibbles; absolute nibbles padded to 16 bits.
        {"rle4 runs", rle(4, {5, 0x14, 0, 0, 0, 3, 0x23, 0x40, 0, 1}, 5, 2), {"GBW..", "RWRWR"}},
        // A run longer than the row is cut at the edge.
        {"rle8 overlong", rle(8, {9, 2, 0, 1}, 3, 1), {"GGG"}},
    };
    for (const Case& c : cases) {
        const auto decoded = platform::decodeBmp(bytesOf(image_files::bmpFile(c.spec)));
        ASSERT_TRUE(decoded.has_value()) << c.name;
        EXPECT_TRUE(sameImage(*decoded, art(c.expected), std::string("bmp_") + c.name)) << c.name;
    }
}

TEST(BmpDecoder, RefusesCorruptTruncatedZeroSizedAndOversizedFiles) {
    const std::string good = image_files::bmpFile(indexed(40, 8, false));
    ASSERT_TRUE(platform::decodeBmp(bytesOf(good)));
    struct Case {
        const char* name;
        std::string file;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", ""});
    cases.push_back({"only the signature", "BM"});
    cases.push_back({"header cut", good.substr(0, 30)});
    cases.push_back({"last row cut", good.substr(0, good.size() - 3)});
    const auto with = [](BmpSpec s, auto change) {
        change(s);
        return image_files::bmpFile(s);
    };
    const BmpSpec base = indexed(40, 8, false);
    cases.push_back({"zero width", with(base, [](BmpSpec& s) { s.width = 0; })});
    cases.push_back({"zero height", with(base, [](BmpSpec& s) { s.height = 0; })});
    cases.push_back({"negative width", with(base, [](BmpSpec& s) { s.width = -3; })});
    cases.push_back({"height INT_MIN", with(base, [](BmpSpec& s) { s.height = INT32_MIN; })});
    cases.push_back({"wider than 16384", with(base, [](BmpSpec& s) {
                         s.width = 16385;
                         s.height = 1;
                     })});
    cases.push_back({"more than 64 Mi pixels", with(base, [](BmpSpec& s) {
                         s.width = 8193;
                         s.height = 8192;
                     })});
    cases.push_back({"unknown header size", with(base, [](BmpSpec& s) { s.headerSize = 41; })});
    cases.push_back({"2 bits per pixel", with(base, [](BmpSpec& s) { s.bpp = 2; })});
    cases.push_back({"RLE8 at 4 bits", with(base, [](BmpSpec& s) {
                         s.compression = 1;
                         s.bpp = 4;
                     })});
    cases.push_back({"top-down RLE", with(rle(8, {3, 1, 0, 1}, 3, 1), [](BmpSpec& s) { s.height = -1; })});
    cases.push_back({"embedded JPEG", with(base, [](BmpSpec& s) { s.compression = 4; })});
    cases.push_back({"OS/2 Huffman", with(base, [](BmpSpec& s) {
                         s.headerSize = 64;
                         s.compression = 3;
                     })});
    cases.push_back(
        {"bit fields at 24 bits",
         image_files::bmpFile(direct(40, 24, 3, {0xFF, 0xFF00, 0xFF0000, 0}, {{0, 0, 0}, {0, 0, 0}}))});
    cases.push_back({"mask with a gap", image_files::bmpFile(direct(40, 32, 3, {0xF0F, 0xF000, 0xFF0000, 0},
                                                                    {{0, 0, 0}, {0, 0, 0}}))});
    cases.push_back({"data offset past the end", with(base, [](BmpSpec& s) { s.dataOffsetAdjust = 1000; })});
    cases.push_back(
        {"data offset inside the header", with(base, [](BmpSpec& s) { s.dataOffsetAdjust = -30; })});
    cases.push_back({"RLE without end", image_files::bmpFile(rle(8, {3, 1, 0, 0}, 3, 2))});
    cases.push_back({"RLE absolute run cut", image_files::bmpFile(rle(8, {0, 5, 1, 2}, 5, 1))});
    cases.push_back({"RLE delta cut", image_files::bmpFile(rle(8, {0, 2, 1}, 5, 1))});
    for (const Case& c : cases) EXPECT_FALSE(platform::decodeBmp(bytesOf(c.file)).has_value()) << c.name;
}

TEST(ImageSize, BoundsAreInclusive) {
    struct Row {
        int64_t w, h;
        bool allowed;
    } rows[] = {{1, 1, true},         {16384, 1024, true}, {4096, 4096, true}, {16384, 1025, false},
                {16384, 4096, false}, {16385, 1, false},   {1, 16385, false},  {0, 5, false},
                {5, 0, false},        {-1, -1, false},     {4097, 4096, false}};
    for (const Row& r : rows) EXPECT_EQ(platform::imageSizeAllowed(r.w, r.h), r.allowed) << r.w << "x" << r.h;
}

// Grey levels survive the colour conversion exactly at quality 100 (no chroma); a saturated
// colour comes back within rounding, which still tells red from blue.
TEST(JpegDecoder, DecodesWhatWasEncoded) {
    platform::pixels::Bitmap image(16, 8);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 16; ++x) image.at(x, y) = x < 8 ? 0x808080 : 0xFFFFFF;
    const std::vector<uint8_t> file = testing_support::encodeJpeg(image, 100);
    ASSERT_FALSE(file.empty());
    const auto decoded = platform::decodeJpeg(file);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(sameImage(*decoded, image, "jpeg_greys"));

    const platform::pixels::Bitmap red(8, 8, kRed);
    const auto redBack = platform::decodeJpeg(testing_support::encodeJpeg(red, 100));
    ASSERT_TRUE(redBack);
    for (platform::pixels::Colour c : redBack->pixels) {
        const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        ASSERT_TRUE(r >= 250 && g <= 5 && b <= 5 && (c >> 24) == 0)
            << "expected red, got " << pixel_art::hex(c);
    }
}

TEST(JpegDecoder, RefusesTruncatedCorruptAndOversizedFiles) {
    platform::pixels::Bitmap image(32, 32);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x)
            image.at(x, y) = static_cast<platform::pixels::Colour>(x * 8 | y * 8 << 8);
    const std::vector<uint8_t> file = testing_support::encodeJpeg(image, 90);
    ASSERT_TRUE(platform::decodeJpeg(file));
    // The frame header (SOF0: FF C0, length, precision, height, width) carries the size.
    size_t sof = 0;
    for (size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u);
    const auto withSize = [&](uint16_t w, uint16_t h) {
        std::vector<uint8_t> f = file;
        f[sof + 5] = static_cast<uint8_t>(h >> 8);
        f[sof + 6] = static_cast<uint8_t>(h);
        f[sof + 7] = static_cast<uint8_t>(w >> 8);
        f[sof + 8] = static_cast<uint8_t>(w);
        return f;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    } cases[] = {
        {"empty", {}},
        {"only the start marker", {0xFF, 0xD8}},
        {"cut in the middle",
         std::vector<uint8_t>(file.begin(), file.begin() + static_cast<long>(file.size() / 2))},
        {"wider than 16384", withSize(20000, 32)},
        {"zero height", withSize(32, 0)},
        {"garbage after the start", {0xFF, 0xD8, 0x00, 0x11, 0x22, 0x33, 0x44}},
    };
    for (const Case& c : cases) EXPECT_FALSE(platform::decodeJpeg(c.file).has_value()) << c.name;
}

const std::vector<platform::pixels::Colour> kPalette = {0x000000, kRed, kGreen, kBlue};

GifFrame frame(uint16_t left, uint16_t top, uint16_t w, uint16_t h, std::vector<uint8_t> indices) {
    GifFrame f;
    f.left = left;
    f.top = top;
    f.width = w;
    f.height = h;
    f.indices = std::move(indices);
    return f;
}

TEST(GifDecoder, FirstFrameOnItsLogicalScreen) {
    struct Case {
        const char* name;
        uint16_t screenW, screenH;
        std::vector<GifFrame> frames;
        std::vector<std::string> expected;
    };
    GifFrame local = frame(0, 0, 2, 1, {0, 1});
    local.localPalette = {kWhite, kBlue};
    GifFrame interlaced = frame(0, 0, 1, 10, {1, 1, 2, 2, 3, 3, 1, 2, 3, 1});
    interlaced.interlaced = true;
    GifFrame transparent = frame(0, 0, 3, 1, {1, 2, 3});
    transparent.transparent = 2;
    const Case cases[] = {
        {"plain", 3, 2, {frame(0, 0, 3, 2, {1, 2, 3, 0, 1, 2})}, {"RGB", ".RG"}},
        {"offset and uncovered black", 4, 3, {frame(1, 1, 2, 1, {3, 3})}, {"....", ".BB.", "...."}},
        {"clipped to the screen", 3, 2, {frame(2, 1, 3, 3, {1, 2, 3, 1, 2, 3, 1, 2, 3})}, {"...", "..R"}},
        {"frame outside", 2, 2, {frame(5, 5, 1, 1, {1})}, {"..", ".."}},
        {"local colour table", 2, 1, {local}, {"WB"}},
        {"interlaced", 1, 10, {interlaced}, {"R", "R", "G", "G", "B", "B", "R", "G", "B", "R"}},
        {"transparent index", 3, 1, {transparent}, {"R.B"}},
        {"index past the table", 3, 1, {frame(0, 0, 3, 1, {1, 4, 200})}, {"R.."}},
        {"second frame ignored", 2, 1, {frame(0, 0, 2, 1, {1, 1}), frame(0, 0, 2, 1, {3, 3})}, {"RR"}},
    };
    for (const Case& c : cases) {
        const std::string file = image_files::gifFile(c.screenW, c.screenH, kPalette, c.frames);
        const auto decoded = platform::decodeGif(bytesOf(file));
        ASSERT_TRUE(decoded.has_value()) << c.name;
        EXPECT_TRUE(sameImage(*decoded, art(c.expected), std::string("gif_") + c.name)) << c.name;
    }
}

TEST(GifDecoder, RefusesBrokenFiles) {
    const std::string good = image_files::gifFile(3, 2, kPalette, {frame(0, 0, 3, 2, {1, 2, 3, 0, 1, 2})});
    ASSERT_TRUE(platform::decodeGif(bytesOf(good)));
    struct Case {
        const char* name;
        std::string file;
    } cases[] = {
        {"empty", ""},
        {"signature only", "GIF89a"},
        {"cut in the image data", good.substr(0, good.size() - 6)},
        {"no colour table", image_files::gifFile(2, 1, {}, {frame(0, 0, 2, 1, {0, 1})})},
        {"zero-sized screen", image_files::gifFile(0, 1, kPalette, {frame(0, 0, 1, 1, {1})})},
        {"wider than 16384", image_files::gifFile(20000, 1, kPalette, {frame(0, 0, 1, 1, {1})})},
        {"no image", image_files::gifFile(2, 2, kPalette, {})},
    };
    for (const Case& c : cases) EXPECT_FALSE(platform::decodeGif(bytesOf(c.file)).has_value()) << c.name;
}

} // namespace
