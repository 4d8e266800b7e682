// Pictures in a real window, for the end-to-end script. `picture_demo make` writes a BMP, a JPEG
// and a GIF into bmp/ of the current folder; `picture_demo` then loads them (by names with the
// programs' backslashes), puts each on a grey window with SRCCOPY, SRCAND and SRCPAINT, one
// stretched, and draws the editor's five cell figures. Esc ends it.
//
// Layout (window 640 x 490, grey 0x808080):
//   rows y = 10 (BMP), 90 (JPEG), 170 (GIF); columns x = 10 copy, 90 and, 170 paint
//   the BMP stretched to 128 x 128 at (260, 10)
//   cells of 16 x 16 at x = 300 + 24 i, y = 300: black square, red marker, blue marker,
//   yellow frame, red frame
#include "platform/image.hpp"
#include "runtime/core/process.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/picture/line.hpp"
#include "runtime/picture/picture.hpp"
#include "runtime/prompt/prompt.hpp"
#include "tests/platform/image_files.hpp"
#include "tests/support/jpeg_writer.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr platform::pixels::Colour kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

// 64 x 64: quadrants red, green / blue, white.
platform::pixels::Bitmap bmpImage() {
    platform::pixels::Bitmap b(64, 64);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x)
            b.at(x, y) = y < 32 ? (x < 32 ? kRed : kGreen) : (x < 32 ? kBlue : kWhite);
    return b;
}

// 64 x 64: left half black, right half white (both survive the compression exactly).
platform::pixels::Bitmap jpegImage() {
    platform::pixels::Bitmap b(64, 64);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) b.at(x, y) = x < 32 ? 0x000000 : kWhite;
    return b;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int makeFiles() {
    std::filesystem::create_directories("bmp");
    writeFile("bmp/demo.bmp", image_files::bmpOf(bmpImage()));
    const std::vector<uint8_t> jpeg = testing_support::encodeJpeg(jpegImage(), 100);
    writeFile("bmp/demo.jpg", std::string(jpeg.begin(), jpeg.end()));
    // 64 x 64 GIF: horizontal bands of yellow, magenta, cyan and blue, 16 rows each.
    image_files::GifFrame frame;
    frame.width = 64;
    frame.height = 64;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) frame.indices.push_back(static_cast<uint8_t>(y / 16));
    writeFile("bmp/demo.gif", image_files::gifFile(64, 64, {0x00FFFF, 0xFF00FF, 0xFFFF00, kBlue}, {frame}));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "make") return makeFiles();

    rt::rtRuntimeInit();
    prompt::promptStart();
    rt::RtString title = rt::rtStrLiteral("画像表示テスト");
    prompt::promptConfigure(title, {platform::pixels::Bitmap(32, 32, kGreen)}, 640, 490);
    rt::rtStrFree(title);

    picture::Surface background;
    picture::promptBindPicture(background);
    background.replaceBitmap(std::make_unique<platform::pixels::Bitmap>(640, 490, 0x808080));
    background.putAt(0, 0, 0);

    const char* files[] = {"bmp\\demo.bmp", "bmp\\demo.jpg", "bmp\\demo.gif"};
    const uint32_t rops[] = {picture::kSrcCopy, picture::kSrcAnd, picture::kSrcPaint};
    for (int i = 0; i < 3; ++i) {
        picture::Picture p;
        p.setScanDelay(-1);
        picture::promptBindPicture(p);
        if (p.loadPicture(files[i]) != 1) {
            std::printf("cannot load %s\n", files[i]);
            std::fflush(stdout);
            return 1;
        }
        for (int r = 0; r < 3; ++r) p.putAt(10 + 80 * r, 10 + 80 * i, rops[r]);
        if (i == 0) p.put(260, 10, 128, -1, 0);
    }

    for (int i = 0; i < 5; ++i) {
        const int32_t X = 300 + 24 * i, Y = 300;
        switch (i) {
        case 0:
            picture::drawLine(X, Y, 0, X + 15, Y + 15, 0, 2, 0);
            break;
        case 1:
            picture::drawLine(X + 5, Y + 5, 0, X + 10, Y + 10, 2, 2, 2);
            break;
        case 2:
            picture::drawLine(X + 7, Y + 7, 0, X + 8, Y + 8, 1, 2, 1);
            break;
        case 3:
            picture::drawLine(X, Y, 0, X + 15, Y + 15, 6, 1, 6);
            break;
        case 4:
            picture::drawLine(X, Y, 0, X + 15, Y + 15, 2, 1, 2);
            break;
        }
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        rt::RtString key = prompt::rtInputKeys(1);
        if (rt::rtStrAsc(key) == 27) rt::rtProgramEnd();
    }
}
