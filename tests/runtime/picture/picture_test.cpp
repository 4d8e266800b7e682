#include "runtime/picture/picture.hpp"

#include "platform/dialog.hpp"
#include "platform/image.hpp"
#include "tests/platform/image_files.hpp"
#include "tests/runtime/picture/canvas_fixture.hpp"
#include "tests/support/jpeg_writer.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using picture::ImageFormat;
using picture::Picture;
using pixel_art::art;
using pixel_art::sameImage;

std::string asString(const std::vector<uint8_t>& v) {
    return {v.begin(), v.end()};
}

// An RLE8 BMP of the given size whose data is only the end-of-bitmap mark.
std::string rleBmp(int32_t w, int32_t h) {
    image_files::BmpSpec s;
    s.width = w;
    s.height = h;
    s.bpp = 8;
    s.compression = 1;
    s.palette = {0x000000};
    s.data = {0, 1};
    return image_files::bmpFile(s);
}

class PictureTest : public CanvasTest {
  protected:
    testing_support::TempDir dir;
    std::string write(const std::string& name, const std::string& bytes) {
        testing_support::writeFile(dir / name, bytes);
        return (dir / name).string();
    }
    std::string pngHeader(uint32_t w, uint32_t h) {
        std::string s = "\x89PNG\r\n\x1a\n";
        s += std::string("\0\0\0\x0dIHDR", 8);
        for (uint32_t v : {w, h})
            for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xFF);
        s += std::string(5, '\0');
        return s;
    }
};

TEST(DetectFormat, FirstBytesDecideInTheOrderBmpGifJpegPng) {
    struct Row {
        std::string bytes;
        ImageFormat expected;
    } rows[] = {
        {"BM", ImageFormat::Bmp},
        {"BMP and more", ImageFormat::Bmp},
        {"GIF", ImageFormat::Gif},
        {"GIF89a", ImageFormat::Gif},
        {"\xFF\xD8", ImageFormat::Jpeg},
        {"\x89PNG\r\n\x1a\n", ImageFormat::Png},
        {"\x89PNG\r\n\x1a", ImageFormat::Unrecognised},
        {"B", ImageFormat::Unrecognised},
        {"GI", ImageFormat::Unrecognised},
        {"\xFF", ImageFormat::Unrecognised},
        {"", ImageFormat::Unrecognised},
        {"bm", ImageFormat::Unrecognised},
    };
    for (const Row& r : rows) {
        const auto got =
            picture::detectFormat(reinterpret_cast<const uint8_t*>(r.bytes.data()), r.bytes.size());
        EXPECT_EQ(got, r.expected) << "for \"" << r.bytes << "\": expected " << static_cast<int>(r.expected)
                                   << ", got " << static_cast<int>(got);
    }
}

TEST_F(PictureTest, AFreshPictureHasNoSize) {
    Picture p;
    EXPECT_EQ(p.width(), 0);
    EXPECT_EQ(p.height(), 0);
    EXPECT_EQ(p.bitmap(), nullptr);
}

TEST_F(PictureTest, FormatComesFromTheContentNotTheName) {
    const platform::pixels::Bitmap image = art({"RG", "BW"});
    struct Row {
        std::string name, bytes;
        ImageFormat format;
    } rows[] = {
        {"bmp-named.jpg", image_files::bmpOf(image), ImageFormat::Bmp},
        {"gif-named.bmp",
         image_files::gifFile(2, 2, {0, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0, 0, 0},
                              {image_files::GifFrame{0, 0, 2, 2, false, {}, -1, {1, 2, 3, 4}}}),
         ImageFormat::Gif},
        {"jpeg-named.gif",
         asString(testing_support::encodeJpeg(platform::pixels::Bitmap(2, 2, 0xFFFFFF), 100)),
         ImageFormat::Jpeg},
    };
    for (const Row& r : rows) {
        Picture p;
        p.setScanDelay(-1);
        ASSERT_EQ(p.loadPicture(write(r.name, r.bytes)), 1) << r.name;
        EXPECT_EQ(p.imageFile().format(), r.format) << r.name;
        EXPECT_EQ(p.width(), 2);
        EXPECT_EQ(p.imageFile().width(), 2);
        EXPECT_EQ(p.imageFile().height(), 2);
        // The image now belongs to the Picture; the loader only describes it.
        EXPECT_EQ(p.imageFile().imageBitmap(), nullptr);
        if (r.format != ImageFormat::Jpeg) {
            EXPECT_TRUE(sameImage(*p.bitmap(), image, "load_" + r.name));
        }
    }
}

TEST_F(PictureTest, BackslashesInTheNameAreFolderSeparators) {
    std::filesystem::create_directory(dir / "bmp");
    testing_support::writeFile(dir / "bmp" / "chr01-1.BMP", image_files::bmpOf(art({"R"})));
    Picture p;
    p.setScanDelay(-1);
    EXPECT_EQ(p.loadPicture((dir.path().string() + "\\bmp\\chr01-1.BMP")), 1);
    EXPECT_EQ(p.loadPicture((dir.path().string() + "\\bmp\\CHR01-1.BMP")), 0) << "case is kept";
}

TEST_F(PictureTest, FailedLoadsLeaveThePictureAsItWas) {
    Picture p;
    p.setScanDelay(0);
    ASSERT_EQ(p.loadPicture(write("a.bmp", image_files::bmpOf(art({"RG"})))), 1);
    ASSERT_EQ(p.waitPixelInfo(), 1);
    const platform::pixels::Bitmap* before = p.bitmap();
    struct Row {
        std::string name, bytes;
        int32_t fileW, fileH; // what the loader describes afterwards
    } rows[] = {
        {"size.png", pngHeader(300, 7), 300, 7},
        {"broken.bmp", "BM broken", 0, 0},
        {"text.bmp", "hello", 0, 0},
        {"empty.gif", "", 0, 0},
        {"short.png", pngHeader(1, 1).substr(0, 20), 0, 0},
        {"bomb.bmp", rleBmp(16384, 4096), 0, 0}, // 64 Mi pixels from a 1 KiB-sized claim
    };
    for (const Row& r : rows) {
        EXPECT_EQ(p.loadPicture(write(r.name, r.bytes)), 0) << r.name;
        EXPECT_EQ(p.bitmap(), before) << r.name;
        EXPECT_TRUE(sameImage(*p.bitmap(), art({"RG"}), "failed_load_" + r.name));
        EXPECT_EQ(p.waitPixelInfo(), 1) << r.name;
        EXPECT_EQ(p.pixelAt(1, 0), 0x00FF00u) << r.name;
        EXPECT_EQ(p.imageFile().width(), r.fileW) << r.name;
        EXPECT_EQ(p.imageFile().height(), r.fileH) << r.name;
    }
    // A missing file (or a folder, or a FIFO nobody writes, refused at once) leaves even the loader's
    // description alone.
    ASSERT_EQ(p.loadPicture(write("size.png", pngHeader(300, 7))), 0);
    EXPECT_EQ(p.loadPicture((dir / "missing.bmp").string()), 0);
    EXPECT_EQ(p.loadPicture(dir.path().string()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.bmp").c_str(), 0644), 0);
    EXPECT_EQ(p.loadPicture((dir / "fifo.bmp").string()), 0);
    EXPECT_EQ(p.imageFile().width(), 300);
    EXPECT_EQ(p.imageFile().format(), ImageFormat::Png);
    EXPECT_EQ(p.bitmap(), before);
}

TEST_F(PictureTest, NoMemoryForAnImageIsAFailedLoad) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' shadow memory does not fit under an address-space limit";
#else
    const std::string path = write("large.bmp", rleBmp(4096, 4096)); // allowed: 16 Mi pixels, 64 MiB
    const pid_t pid = ::fork();
    if (pid == 0) {
        Picture p;
        p.setScanDelay(-1);
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(pages * ::sysconf(_SC_PAGESIZE)) + (32 << 20);
        if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(3);
        ::_exit(p.loadPicture(path) == 0 && p.bitmap() == nullptr ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the load ended the process (signal " << WTERMSIG(status) << ")";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the load succeeded or kept a bitmap, 3: no memory limit";
#endif
}

TEST_F(PictureTest, ScanFillsTheTableAndRaisesReady) {
    Picture p;
    ASSERT_EQ(p.loadPicture(write("two.bmp", image_files::bmpOf(art({".R"})))), 1);
    ASSERT_EQ(p.waitPixelInfo(), 1);
    struct Row {
        int32_t x, y;
        platform::pixels::Colour expected;
    } rows[] = {{0, 0, 0},  {1, 0, 0x0000FF},         {-1, 0, 0}, {2, 0, 0}, {0, 1, 0},
                {0, -1, 0}, {INT32_MIN, INT32_MAX, 0}};
    for (const Row& r : rows)
        EXPECT_EQ(p.pixelAt(r.x, r.y), r.expected) << "pixelAt(" << r.x << ", " << r.y << ")";
}

TEST_F(PictureTest, NegativeScanDelayMeansNoScan) {
    Picture p;
    EXPECT_EQ(p.setScanDelay(-1), 1);
    ASSERT_EQ(p.loadPicture(write("w.bmp", image_files::bmpOf(art({"WW"})))), 1);
    // Nothing is running, so nothing can ever raise the flag; the delay can be changed at once.
    EXPECT_EQ(p.setScanDelay(-1), 1);
    EXPECT_EQ(p.waitPixelInfo(), 0);
    EXPECT_EQ(p.pixelAt(0, 0), 0u);
    EXPECT_EQ(p.pixelAt(1, 0), 0u);
}

TEST_F(PictureTest, ScanDelayCannotChangeWhileAScanRuns) {
    Picture p;
    ASSERT_EQ(p.setScanDelay(400), 1);
    // Three rows at 400 ms each: the scan runs for more than a second.
    ASSERT_EQ(p.loadPicture(write("tall.bmp", image_files::bmpOf(art({"R", "G", "B"})))), 1);
    EXPECT_EQ(p.setScanDelay(0), 0);
    EXPECT_EQ(p.scanDelay(), 400);
    EXPECT_EQ(p.pixelAt(0, 0), 0u);
    ASSERT_EQ(p.waitPixelInfo(), 1);
    EXPECT_EQ(p.setScanDelay(0), 1);
    EXPECT_EQ(p.scanDelay(), 0);
    EXPECT_EQ(p.pixelAt(0, 2), 0xFF0000u);
}

TEST_F(PictureTest, ASecondLoadStopsTheRunningScanAndScansTheNewImage) {
    Picture p;
    ASSERT_EQ(p.setScanDelay(300), 1);
    ASSERT_EQ(p.loadPicture(write("first.bmp", image_files::bmpOf(art({"RRRR", "RRRR", "RRRR", "RRRR"})))),
              1);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(p.loadPicture(write("second.bmp", image_files::bmpOf(art({"GB"})))), 1);
    // The first scan had a second to go; stopping it does not wait for that.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(p.width(), 2);
    ASSERT_EQ(p.waitPixelInfo(), 1);
    EXPECT_EQ(p.pixelAt(0, 0), 0x00FF00u);
    EXPECT_EQ(p.pixelAt(1, 0), 0xFF0000u);
    EXPECT_EQ(p.pixelAt(2, 0), 0u) << "the first image's size is gone";
}

TEST_F(PictureTest, DestroyingAPictureStopsItsScanAtOnce) {
    const auto start = std::chrono::steady_clock::now();
    {
        Picture p;
        ASSERT_EQ(p.setScanDelay(10000), 1);
        ASSERT_EQ(p.loadPicture(write("slow.bmp", image_files::bmpOf(art({"R", "G"})))), 1);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(PictureTest, ScanOfAMissingBitmapShowsTheMessageAndScansBlack) {
    std::vector<std::pair<std::string, std::string>> shown;
    platform::setMessageBoxSink([&](std::string_view text, std::string_view caption) {
        shown.emplace_back(std::string(text), std::string(caption));
    });
    Picture p;
    ASSERT_EQ(p.captureWindow(0, 0, 2, 1), 0); // never bound: no bitmap
    picture::promptBindPicture(p);
    ASSERT_EQ(p.captureWindow(0, 0, 2, 1), 1);
    p.startPixelScan(nullptr);
    ASSERT_EQ(p.waitPixelInfo(), 1);
    platform::setMessageBoxSink({});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, "ピクセル情報の取得に失敗。与えられたHBITMAPが新規DCに結合できない。");
    EXPECT_EQ(shown[0].second, "エラー");
    EXPECT_EQ(p.pixelAt(1, 0), 0u);
}

TEST_F(PictureTest, ScanAfterACaptureReadsTheCapturedPixels) {
    paintBack(art({"GR"}), 0, 0);
    Picture p;
    picture::promptBindPicture(p);
    ASSERT_EQ(p.captureWindow(0, 0, 2, 1), 1);
    p.startPixelScan(p.bitmap());
    ASSERT_EQ(p.waitPixelInfo(), 1);
    EXPECT_EQ(p.pixelAt(0, 0), 0x00FF00u);
    EXPECT_EQ(p.pixelAt(1, 0), 0x0000FFu);
    // A capture of another size afterwards: the table answers only where it has pixels.
    ASSERT_EQ(p.captureWindow(0, 0, 5, 5), 1);
    EXPECT_EQ(p.pixelAt(1, 0), 0x0000FFu);
    EXPECT_EQ(p.pixelAt(4, 4), 0u);
}

// The game's mask rule on the API: white where the sprite is pure black, black elsewhere, drawn
// with setPixelOn into the top-left corner of a bound canvas (and so into the back buffer), then
// read back by a capture.
void buildMaskFor(const Picture& source, picture::Surface& canvas) {
    ASSERT_EQ(source.waitPixelInfo(), 1);
    for (int32_t y = 0; y < source.height(); ++y)
        for (int32_t x = 0; x < source.width(); ++x)
            canvas.setPixelOn(x, y, source.pixelAt(x, y) == 0 ? 0xFFFFFF : 0);
}

TEST_F(PictureTest, MaskRuleOnATinySprite) {
    struct Row {
        const char* name;
        std::vector<std::string> sprite, expectedCorner;
    } rows[] = {
        {"2x1", {".R"}, {"W.", "aa"}},
        {"3x2", {".a.", "B.W"}, {"W.Wa", ".W.a", "aaaa"}},
    };
    for (const Row& r : rows) {
        picture::Surface canvas;
        picture::promptBindPicture(canvas);
        canvas.replaceBitmap(std::make_unique<platform::pixels::Bitmap>(8, 8, 0x123456));
        paintBack(platform::pixels::Bitmap(8, 8, 0x123456), 0, 0);
        Picture source;
        ASSERT_EQ(source.loadPicture(write("sprite.bmp", image_files::bmpOf(art(r.sprite)))), 1);
        buildMaskFor(source, canvas);
        const int32_t w = static_cast<int32_t>(r.expectedCorner[0].size());
        const int32_t h = static_cast<int32_t>(r.expectedCorner.size());
        EXPECT_TRUE(sameImage(crop(*canvas.bitmap(), 0, 0, w, h), art(r.expectedCorner),
                              std::string("mask_canvas_") + r.name));
        EXPECT_TRUE(sameImage(crop(backPixels(), 0, 0, w, h), art(r.expectedCorner),
                              std::string("mask_back_") + r.name));
        picture::Surface mask;
        picture::promptBindPicture(mask);
        ASSERT_EQ(mask.captureFrom(canvas, 0, 0, source.width(), source.height()), 1);
        EXPECT_TRUE(sameImage(*mask.bitmap(),
                              crop(art(r.expectedCorner), 0, 0, source.width(), source.height()),
                              std::string("mask_captured_") + r.name));
    }
}

} // namespace
