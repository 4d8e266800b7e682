// Turns an X window dump (as `xwd` writes it) into a PNG, or reads single pixels out of it.
//
//   xwd2png [--crop X,Y,W,H] IN.xwd|- OUT.png   write the (cropped) image as PNG
//   xwd2png --pixel X,Y IN.xwd|-                print the pixel as RRGGBB (hex)
//   xwd2png --count RRGGBB [--crop X,Y,W,H] IN.xwd|-   print how many pixels have that colour
//   xwd2png --find RRGGBB [--crop X,Y,W,H] IN.xwd|-    print "X Y W H", the box of that colour
//                                                      (nothing when no pixel has it)
//   xwd2png --column X [--crop X,Y,W,H] IN.xwd|-       print the colour (RRGGBB) of every row at X
//   xwd2png --blocks N [--crop X,Y,W,H] IN.xwd|- OUT.png
//       the (cropped) image must be made of N x N blocks of one colour each: write it with one
//       pixel per block, or say where the first other block lies and exit with code 1
//   xwd2png --hash IN.xwd|-                          print the picture's hash as a replay ends with it
//   --blank X,Y,W,H (with any of the above, repeatable) paints the rectangle black first, as the
//       program's own picture has it where the window lays a sign over it
//
// Only true-colour dumps in Z format are read (what an X server of depth 24 gives). A binary PPM
// (P6, 8 bits a channel, as grim -t ppm writes the screen of a Wayland desktop) is read as well.
#include "platform/pixels.hpp"
#include "platform/png_writer.hpp"
#include "shooter/replay_hash.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Header {
    uint32_t headerSize, version, format, depth, width, height, xOffset, byteOrder, bitmapUnit, bitOrder,
        bitmapPad, bitsPerPixel, bytesPerLine, visualClass, redMask, greenMask, blueMask, bitsPerRgb,
        colormapEntries, colours;
};

uint32_t be32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

int shiftOf(uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

// The mask's value scaled to 0..255.
uint8_t channel(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    const uint32_t max = mask >> shiftOf(mask);
    return static_cast<uint8_t>(((pixel & mask) >> shiftOf(mask)) * 255u / max);
}

// P6, width, height and 255, each after white space, one more white space byte, then RGB rows.
std::optional<platform::pixels::Bitmap> decodePpm(const std::vector<uint8_t>& data, std::string& why) {
    size_t at = 2;
    const auto number = [&](uint32_t& v) {
        while (at < data.size() && std::isspace(data[at])) ++at;
        const size_t start = at;
        v = 0;
        while (at < data.size() && std::isdigit(data[at]) && at - start < 6) v = v * 10 + (data[at++] - '0');
        return at > start;
    };
    uint32_t w = 0, h = 0, max = 0;
    if (!number(w) || !number(h) || !number(max) || max != 255 || w == 0 || h == 0 || w > 16384 ||
        h > 16384 || at >= data.size()) {
        why = "not a PPM of 8 bits a channel";
        return std::nullopt;
    }
    ++at;
    if (data.size() - at < uint64_t{w} * h * 3) {
        why = "image data is cut short";
        return std::nullopt;
    }
    platform::pixels::Bitmap out(static_cast<int32_t>(w), static_cast<int32_t>(h));
    for (platform::pixels::Colour& c : out.pixels) {
        c = platform::pixels::rgb(data[at], data[at + 1], data[at + 2]);
        at += 3;
    }
    return out;
}

std::optional<platform::pixels::Bitmap> decode(const std::vector<uint8_t>& data, std::string& why) {
    if (data.size() >= 2 && data[0] == 'P' && data[1] == '6') return decodePpm(data, why);
    if (data.size() < 100) {
        why = "too short for a window dump";
        return std::nullopt;
    }
    uint32_t f[20];
    for (int i = 0; i < 20; ++i) f[i] = be32(data.data() + 4 * i);
    Header h;
    std::memcpy(&h, f, sizeof h);
    if (h.version != 7 || h.format != 2) {
        why = "not a version 7 Z-format dump";
        return std::nullopt;
    }
    if (h.bitsPerPixel != 32 && h.bitsPerPixel != 24) {
        why = "only 24 and 32 bits per pixel are read, this has " + std::to_string(h.bitsPerPixel);
        return std::nullopt;
    }
    if (h.width == 0 || h.height == 0 || h.width > 16384 || h.height > 16384) {
        why = "implausible size";
        return std::nullopt;
    }
    const uint64_t start = uint64_t{h.headerSize} + uint64_t{h.colours} * 12;
    if (start + uint64_t{h.bytesPerLine} * h.height > data.size() ||
        h.bytesPerLine < h.width * (h.bitsPerPixel / 8)) {
        why = "image data is cut short";
        return std::nullopt;
    }
    platform::pixels::Bitmap out(static_cast<int32_t>(h.width), static_cast<int32_t>(h.height));
    const int bytes = static_cast<int>(h.bitsPerPixel / 8);
    for (uint32_t y = 0; y < h.height; ++y) {
        const uint8_t* row = data.data() + start + uint64_t{y} * h.bytesPerLine;
        for (uint32_t x = 0; x < h.width; ++x) {
            const uint8_t* p = row + x * static_cast<uint32_t>(bytes);
            uint32_t v = 0;
            for (int b = 0; b < bytes; ++b) {
                const int shift = h.byteOrder == 0 ? 8 * b : 8 * (bytes - 1 - b);
                v |= uint32_t{p[b]} << shift;
            }
            out.at(static_cast<int32_t>(x), static_cast<int32_t>(y)) =
                platform::pixels::rgb(channel(v, h.redMask), channel(v, h.greenMask), channel(v, h.blueMask));
        }
    }
    return out;
}

bool readAll(const std::string& path, std::vector<uint8_t>& data) {
    if (path == "-") {
        data.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: xwd2png [--crop X,Y,W,H] IN.xwd|- OUT.png\n       xwd2png --pixel X,Y IN.xwd|-\n"
                 "       xwd2png --count|--find RRGGBB [--crop X,Y,W,H] IN.xwd|-\n"
                 "       xwd2png --column X [--crop X,Y,W,H] IN.xwd|-\n"
                 "       xwd2png --blocks N [--crop X,Y,W,H] IN.xwd|- OUT.png\n"
                 "       xwd2png --hash IN.xwd|-\n"
                 "       (each with any number of --blank X,Y,W,H)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int cx = 0, cy = 0, cw = 0, ch = 0, px = -1, py = -1;
    unsigned countRgb = 0;
    int columnX = -1, block = 0;
    bool crop = false, pixel = false, count = false, find = false, column = false, blocks = false;
    bool hash = false;
    struct Box {
        int x, y, w, h;
    };
    std::vector<Box> blanks;
    while (!args.empty() && args[0].rfind("--", 0) == 0) {
        if (args[0] == "--hash") {
            hash = true;
            args.erase(args.begin());
            continue;
        }
        if (args.size() < 2) return usage();
        Box b{};
        if (args[0] == "--blank" && std::sscanf(args[1].c_str(), "%d,%d,%d,%d", &b.x, &b.y, &b.w, &b.h) == 4)
            blanks.push_back(b);
        else if (args[0] == "--crop" && std::sscanf(args[1].c_str(), "%d,%d,%d,%d", &cx, &cy, &cw, &ch) == 4)
            crop = true;
        else if (args[0] == "--count" && std::sscanf(args[1].c_str(), "%x", &countRgb) == 1)
            count = true;
        else if (args[0] == "--find" && std::sscanf(args[1].c_str(), "%x", &countRgb) == 1)
            find = true;
        else if (args[0] == "--column" && std::sscanf(args[1].c_str(), "%d", &columnX) == 1)
            column = true;
        else if (args[0] == "--blocks" && std::sscanf(args[1].c_str(), "%d", &block) == 1 && block > 0)
            blocks = true;
        else if (args[0] == "--pixel" && std::sscanf(args[1].c_str(), "%d,%d", &px, &py) == 2)
            pixel = true;
        else
            return usage();
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != (pixel || count || find || column || hash ? 1u : 2u)) return usage();
    std::vector<uint8_t> data;
    if (!readAll(args[0], data)) {
        std::fprintf(stderr, "xwd2png: cannot read %s\n", args[0].c_str());
        return 1;
    }
    std::string why;
    std::optional<platform::pixels::Bitmap> image = decode(data, why);
    if (!image) {
        std::fprintf(stderr, "xwd2png: %s: %s\n", args[0].c_str(), why.c_str());
        return 1;
    }
    for (const Box& b : blanks) platform::pixels::fillRect(*image, b.x, b.y, b.w, b.h, 0);
    if (hash) {
        std::printf("%016llx\n", static_cast<unsigned long long>(shooter::hashPicture(*image)));
        return 0;
    }
    if (pixel) {
        if (!image->contains(px, py)) {
            std::fprintf(stderr, "xwd2png: %d,%d lies outside the %dx%d image\n", px, py, image->width,
                         image->height);
            return 1;
        }
        const platform::pixels::Colour c = image->at(px, py);
        std::printf("%02X%02X%02X\n", c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
        return 0;
    }
    if (crop) {
        platform::pixels::Bitmap part(std::max(cw, 0), std::max(ch, 0));
        for (int32_t y = 0; y < part.height; ++y)
            for (int32_t x = 0; x < part.width; ++x)
                if (image->contains(cx + x, cy + y)) part.at(x, y) = image->at(cx + x, cy + y);
        image = std::move(part);
    }
    const platform::pixels::Colour wanted =
        platform::pixels::rgb(static_cast<uint8_t>(countRgb >> 16), static_cast<uint8_t>(countRgb >> 8),
                              static_cast<uint8_t>(countRgb));
    if (count) {
        long n = 0;
        for (platform::pixels::Colour c : image->pixels) n += c == wanted;
        std::printf("%ld\n", n);
        return 0;
    }
    if (find) {
        int32_t x0 = image->width, y0 = image->height, x1 = -1, y1 = -1;
        for (int32_t y = 0; y < image->height; ++y)
            for (int32_t x = 0; x < image->width; ++x)
                if (image->at(x, y) == wanted) {
                    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
                }
        if (x1 >= 0) std::printf("%d %d %d %d\n", x0, y0, x1 - x0 + 1, y1 - y0 + 1);
        return 0;
    }
    if (column) {
        for (int32_t y = 0; y < image->height; ++y) {
            const platform::pixels::Colour c = image->contains(columnX, y) ? image->at(columnX, y) : 0;
            std::printf("%02X%02X%02X\n", c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
        }
        return 0;
    }
    if (blocks) {
        platform::pixels::Bitmap reduced(image->width / block, image->height / block);
        for (int32_t y = 0; y < reduced.height * block; ++y)
            for (int32_t x = 0; x < reduced.width * block; ++x) {
                const platform::pixels::Colour c = image->at(x - x % block, y - y % block);
                if (image->at(x, y) != c) {
                    // Its first row's colours and how many blocks are broken tell a picture
                    // smoothed on its way (colours between) from one laid off the grid.
                    long broken = 0;
                    for (int32_t by = 0; by < reduced.height; ++by)
                        for (int32_t bx = 0; bx < reduced.width; ++bx)
                            for (int32_t i = 0; i < block * block; ++i)
                                if (image->at(bx * block + i % block, by * block + i / block) !=
                                    image->at(bx * block, by * block)) {
                                    ++broken;
                                    break;
                                }
                    std::fprintf(stderr, "xwd2png: the block at %d,%d is not of one colour (", x - x % block,
                                 y - y % block);
                    for (int32_t i = 0; i < block; ++i) {
                        const platform::pixels::Colour p = image->at(x - x % block + i, y);
                        std::fprintf(stderr, "%s%02X%02X%02X", i ? " " : "", p & 0xFF, p >> 8 & 0xFF, p >> 16 & 0xFF);
                    }
                    std::fprintf(stderr, " in its row %d; %ld of %d blocks are broken)\n", y % block, broken,
                                 reduced.width * reduced.height);
                    return 1;
                }
                reduced.at(x / block, y / block) = c;
            }
        image = std::move(reduced);
    }
    if (!platform::writePng(args[1], *image)) {
        std::fprintf(stderr, "xwd2png: cannot write %s\n", args[1].c_str());
        return 1;
    }
    return 0;
}
