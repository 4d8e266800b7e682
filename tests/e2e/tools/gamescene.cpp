// Writes a play folder whose pictures are easy to find on a screenshot, and prints their colours.
//
//   gamescene DIR    bmp/0.bmp .. 9.bmp: solid 16 x 16 tiles, each its own colour;
//                    bmp/chrKK-F.BMP: 32 x 32 sprites, a solid 24 x 24 square of the sprite's own
//                    colour inside a 4-pixel black (transparent) border;
//                    AREA1.csv: 200 rows, every cell of row r is tile r mod 10.
//                    Prints "tile T RRGGBB" and "sprite K F RRGGBB" lines.
#include "platform/pixels.hpp"
#include "tests/platform/image_files.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

platform::pixels::Colour tileColour(int t) {
    return platform::pixels::rgb(static_cast<uint8_t>(40 + 20 * t), 200, 100);
}
platform::pixels::Colour spriteColour(int k, int f) {
    return platform::pixels::rgb(static_cast<uint8_t>(8 * k), static_cast<uint8_t>(60 * f), 250);
}

bool write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

void printColour(platform::pixels::Colour c) {
    std::printf("%02X%02X%02X\n", c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gamescene DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir / "bmp");
    bool ok = true;
    for (int t = 0; t <= 9; ++t) {
        ok &= write(dir / "bmp" / (std::to_string(t) + ".bmp"),
                    image_files::bmpOf(platform::pixels::Bitmap(16, 16, tileColour(t))));
        std::printf("tile %d ", t);
        printColour(tileColour(t));
    }
    for (int k = 1; k <= 30; ++k) {
        for (int f = 1; f <= 3; ++f) {
            platform::pixels::Bitmap sprite(32, 32, 0);
            platform::pixels::fillRect(sprite, 4, 4, 24, 24, spriteColour(k, f));
            char name[32];
            std::snprintf(name, sizeof name, "chr%02d-%d.BMP", k, f);
            ok &= write(dir / "bmp" / name, image_files::bmpOf(sprite));
            std::printf("sprite %d %d ", k, f);
            printColour(spriteColour(k, f));
        }
    }
    std::string map;
    for (int r = 0; r < 200; ++r) {
        for (int c = 0; c < 32; ++c) map += std::to_string(r % 10) + (c < 31 ? "," : "\r\n");
    }
    ok &= write(dir / "AREA1.csv", map);
    if (!ok) std::fprintf(stderr, "gamescene: cannot write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
