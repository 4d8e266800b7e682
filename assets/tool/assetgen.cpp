// Builds the game's default data from the readable sources in assets/:
//   assetgen SOURCE_DIR DATA_DIR [--sheet FILE.png] [--map-picture FILE.png] [--icons DIR]
// DATA_DIR receives bmp/0.bmp .. bmp/9.bmp, bmp/chr01-1.BMP .. bmp/chr30-3.BMP, sound/zapper.wav
// and AREA1.csv. The sheet shows every tile and sprite; the map picture shows the whole stage.
// The icons folder receives the programs' icons laid out as an icon theme: <N>x<N>/apps/<name>.png.
#include "assets/icons.hpp"
#include "assets/tool/art.hpp"
#include "assets/tool/bytes.hpp"
#include "assets/tool/sound.hpp"
#include "assets/tool/stage.hpp"
#include "mapfile/mapfile.hpp"
#include "platform/png_writer.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

namespace assets {
namespace {

constexpr int kTiles = 10;
constexpr int kKinds = 30;
constexpr int kFrames = 3;
constexpr size_t kMapFileLimit = 32767; // the game reads at most this many bytes of the map

std::string spriteName(int kind, int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "chr%02d-%d", kind, frame);
    return name;
}

// The side length every frame of a kind must have; 0 where no object uses the kind.
int requiredSide(int kind) {
    switch (kind) {
    case 1:
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
    case 24:
    case 25:
    case 27:
    case 28:
        return 32;
    case 23:
        return 64;
    case 29:
        return 8;
    case 30:
        return 192;
    default:
        return 0;
    }
}

const platform::pixels::Bitmap& picture(const ArtBook& book, const std::string& name) {
    auto it = book.pictures.find(name);
    if (it == book.pictures.end()) throw std::runtime_error("the art has no picture \"" + name + "\"");
    return it->second;
}

void checkBook(const ArtBook& book) {
    for (int t = 0; t < kTiles; ++t) {
        const platform::pixels::Bitmap& tile = picture(book, "tile" + std::to_string(t));
        if (tile.width != 16 || tile.height != 16) throw std::runtime_error("tiles must be 16 x 16");
    }
    for (int k = 1; k <= kKinds; ++k) {
        for (int f = 1; f <= kFrames; ++f) {
            const platform::pixels::Bitmap& sprite = picture(book, spriteName(k, f));
            const int side = requiredSide(k);
            if (side && (sprite.width != side || sprite.height != side))
                throw std::runtime_error(spriteName(k, f) + " must be " + std::to_string(side) + " x " +
                                         std::to_string(side));
        }
    }
}

// 24-bit BMP, bottom-up rows padded to four bytes.
std::string bmpFile(const platform::pixels::Bitmap& bitmap) {
    const uint32_t stride = (static_cast<uint32_t>(bitmap.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = stride * static_cast<uint32_t>(bitmap.height);
    std::string out;
    auto u32 = [&out](uint32_t v) { appendU32(out, v); };
    auto u16 = [&out](uint16_t v) { appendU16(out, v); };
    out += "BM";
    u32(54 + imageBytes);
    u32(0);
    u32(54);
    u32(40);
    u32(static_cast<uint32_t>(bitmap.width));
    u32(static_cast<uint32_t>(bitmap.height));
    u16(1);
    u16(24);
    u32(0);
    u32(imageBytes);
    u32(2835); // 72 dots per inch
    u32(2835);
    u32(0);
    u32(0);
    for (int y = bitmap.height - 1; y >= 0; --y) {
        const size_t start = out.size();
        for (int x = 0; x < bitmap.width; ++x) {
            const platform::pixels::Colour c = bitmap.at(x, y);
            out += static_cast<char>(c >> 16 & 0xFF); // blue, green, red
            out += static_cast<char>(c >> 8 & 0xFF);
            out += static_cast<char>(c & 0xFF);
        }
        out.append(start + stride - out.size(), '\0');
    }
    return out;
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error(path.string() + ": cannot be written");
}

// Draws a picture into a canvas; with a key colour, pixels of that colour are left out.
void blit(platform::pixels::Bitmap& canvas, const platform::pixels::Bitmap& source, int left, int top,
          bool transparent) {
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x)
            if (canvas.contains(left + x, top + y) && !(transparent && source.at(x, y) == kTransparent))
                canvas.at(left + x, top + y) = source.at(x, y);
}

void label(platform::pixels::Bitmap& canvas, const ArtBook& book, int number, int left, int top,
           platform::pixels::Colour ink) {
    const std::string text = std::to_string(number);
    for (size_t i = 0; i < text.size(); ++i) {
        const platform::pixels::Bitmap& glyph = picture(book, std::string("digit") + text[i]);
        for (int y = 0; y < glyph.height; ++y)
            for (int x = 0; x < glyph.width; ++x)
                if (glyph.at(x, y) != kTransparent &&
                    canvas.contains(left + x + static_cast<int>(i) * 4, top + y))
                    canvas.at(left + x + static_cast<int>(i) * 4, top + y) = ink;
    }
}

platform::pixels::Bitmap enlarged(const platform::pixels::Bitmap& small, int scale) {
    platform::pixels::Bitmap big(small.width * scale, small.height * scale);
    for (int y = 0; y < big.height; ++y)
        for (int x = 0; x < big.width; ++x) big.at(x, y) = small.at(x / scale, y / scale);
    return big;
}

// Every tile (three by three, to show the seams) and every sprite frame on grey, twice the size.
platform::pixels::Bitmap contactSheet(const ArtBook& book) {
    const platform::pixels::Colour grey = platform::pixels::rgb(128, 128, 128),
                                   ink = platform::pixels::rgb(24, 24, 24);
    platform::pixels::Bitmap sheet(624, 668, grey);
    for (int t = 0; t < kTiles; ++t) {
        const int left = 8 + t * 61;
        label(sheet, book, t, left, 4, ink);
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i)
                blit(sheet, picture(book, "tile" + std::to_string(t)), left + i * 16, 12 + j * 16, false);
    }
    int cell = 0;
    for (int k = 1; k <= kKinds; ++k) {
        if (k == 23 || k == 30) continue;
        const int left = 8 + (cell % 4) * 154, top = 72 + (cell / 4) * 40;
        label(sheet, book, k, left, top + 2, ink);
        for (int f = 1; f <= kFrames; ++f)
            blit(sheet, picture(book, spriteName(k, f)), left + 12 + (f - 1) * 36, top, true);
        ++cell;
    }
    const int bigTop = 72 + 7 * 40 + 4;
    label(sheet, book, 23, 8, bigTop + 2, ink);
    for (int f = 1; f <= kFrames; ++f)
        blit(sheet, picture(book, spriteName(23, f)), 20 + (f - 1) * 68, bigTop, true);
    blit(sheet, shooterIcon(), 232, bigTop + 16, false);
    blit(sheet, mapeditIcon(), 272, bigTop + 16, false);
    label(sheet, book, 30, 8, bigTop + 72, ink);
    for (int f = 1; f <= kFrames; ++f)
        blit(sheet, picture(book, spriteName(30, f)), 20 + (f - 1) * 200, bigTop + 70, true);
    return enlarged(sheet, 2);
}

// The whole stage in strips of 50 rows, read left to right; each strip runs from its first row at
// the top to its last at the bottom, as the map is stored. Objects show as their first picture,
// path cells as dots, fortress cells as a red frame.
platform::pixels::Bitmap stagePicture(const ArtBook& book, const Stage& stage) {
    constexpr int kStrip = 50, kGutter = 20;
    const int strips = static_cast<int>((stage.rows.size() + kStrip - 1) / kStrip);
    const int stripWidth = kGutter + kMapColumns * 16 + 8;
    platform::pixels::Bitmap canvas(strips * stripWidth, kStrip * 16 + 16, platform::pixels::rgb(40, 40, 44));
    for (size_t r = 0; r < stage.rows.size(); ++r) {
        const int strip = static_cast<int>(r) / kStrip;
        const int top = 8 + (static_cast<int>(r) % kStrip) * 16, left = strip * stripWidth + kGutter;
        if (r % 10 == 0)
            label(canvas, book, static_cast<int>(r), left - kGutter + 2, top + 5,
                  platform::pixels::rgb(230, 230, 230));
        for (int c = 0; c < kMapColumns; ++c) {
            const int tile = mapfile::tileCode(static_cast<mapfile::MapCell>(stage.rows[r][static_cast<size_t>(c)]));
            if (tile < kTiles)
                blit(canvas, picture(book, "tile" + std::to_string(tile)), left + c * 16, top, false);
        }
    }
    for (size_t r = 0; r < stage.rows.size(); ++r) {
        const int strip = static_cast<int>(r) / kStrip;
        const int top = 8 + (static_cast<int>(r) % kStrip) * 16, left = strip * stripWidth + kGutter;
        for (int c = 0; c < kMapColumns; ++c) {
            const uint16_t cell = stage.rows[r][static_cast<size_t>(c)];
            const int x = left + c * 16, y = top;
            if (mapfile::isPathCell(static_cast<mapfile::MapCell>(cell)))
                for (int dy = 7; dy < 9; ++dy)
                    for (int dx = 7; dx < 9; ++dx)
                        canvas.at(x + dx, y + dy) = platform::pixels::rgb(255, 240, 120);
            const int code = mapfile::groundCode(static_cast<mapfile::MapCell>(cell));
            if (code >= 1 && code <= 5) {
                blit(canvas, picture(book, spriteName(10 + code, 1)), x, y, true);
            } else if (code == 9) {
                for (int i = 0; i < 16; ++i) {
                    for (int j : {0, 1, 14, 15}) {
                        canvas.at(x + i, y + j) = platform::pixels::rgb(255, 40, 40);
                        canvas.at(x + j, y + i) = platform::pixels::rgb(255, 40, 40);
                    }
                }
            }
        }
    }
    return canvas;
}

// The window icons at the sizes desktops ask an icon theme for, scaled by nearest neighbour so the
// pixel art stays crisp (16 drops every other pixel; 48 repeats every other one).
void writeIcons(const std::filesystem::path& dir) {
    const struct {
        const char* name;
        platform::pixels::Bitmap (*make)();
    } icons[] = {{"shooter", shooterIcon}, {"mapedit", mapeditIcon}};
    for (const auto& icon : icons) {
        const platform::pixels::Bitmap art = icon.make();
        for (int size : {16, 32, 48, 64, 128, 256}) {
            const platform::pixels::Bitmap scaled = iconAtSize(art, size);
            const std::filesystem::path path = dir / (std::to_string(size) + "x" + std::to_string(size)) /
                                               "apps" / (std::string(icon.name) + ".png");
            std::filesystem::create_directories(path.parent_path());
            if (!platform::writePng(path.string(), scaled))
                throw std::runtime_error(path.string() + ": cannot be written");
        }
    }
}

int run(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: assetgen SOURCE_DIR DATA_DIR [--sheet FILE.png] [--map-picture FILE.png] "
                     "[--icons DIR]\n";
        return 2;
    }
    const std::filesystem::path source = argv[1], data = argv[2];
    std::string sheetFile, mapFile, iconDir;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--sheet")
            sheetFile = argv[i + 1];
        else if (option == "--map-picture")
            mapFile = argv[i + 1];
        else if (option == "--icons")
            iconDir = argv[i + 1];
        else
            throw std::runtime_error("unknown option " + option);
    }

    const ArtBook book = readArtFolder(source / "art");
    checkBook(book);
    const Stage stage = readStage(source / "map" / "stage1.txt");
    const std::string csv = stageCsv(stage);
    if (csv.size() >= kMapFileLimit)
        throw std::runtime_error("the map file would be " + std::to_string(csv.size()) +
                                 " bytes; the game reads fewer than " + std::to_string(kMapFileLimit));
    const SoundRecipe recipe = readSoundRecipe(source / "sound" / "zapper.txt");

    for (int t = 0; t < kTiles; ++t)
        writeBytes(data / "bmp" / (std::to_string(t) + ".bmp"),
                   bmpFile(picture(book, "tile" + std::to_string(t))));
    for (int k = 1; k <= kKinds; ++k)
        for (int f = 1; f <= kFrames; ++f)
            writeBytes(data / "bmp" / (spriteName(k, f) + ".BMP"), bmpFile(picture(book, spriteName(k, f))));
    writeBytes(data / "sound" / "zapper.wav", wavFile(synthesise(recipe), recipe.rate));
    writeBytes(data / "AREA1.csv", csv);
    if (!sheetFile.empty() && !platform::writePng(sheetFile, contactSheet(book)))
        throw std::runtime_error(sheetFile + ": cannot be written");
    if (!mapFile.empty() && !platform::writePng(mapFile, stagePicture(book, stage)))
        throw std::runtime_error(mapFile + ": cannot be written");
    if (!iconDir.empty()) writeIcons(iconDir);
    return 0;
}

} // namespace
} // namespace assets

int main(int argc, char** argv) {
    try {
        return assets::run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "assetgen: " << e.what() << '\n';
        return 1;
    }
}
