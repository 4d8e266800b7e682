#include "assets/icons.hpp"

#include <array>
#include <cstddef>
#include <string_view>

namespace assets {
namespace {

struct Ink {
    char key;
    platform::pixels::Colour colour;
};

constexpr int kSize = 32;

// Looks each character up in the palette; a character missing from it paints magenta so that a
// typo in the art shows at once instead of passing as some plausible colour.
template <size_t N, size_t M>
platform::pixels::Bitmap paint(const std::array<std::string_view, N>& rows, const std::array<Ink, M>& palette,
                     bool mirrored) {
    platform::pixels::Bitmap bitmap(kSize, kSize, platform::pixels::rgb(255, 0, 255));
    for (int y = 0; y < kSize && static_cast<size_t>(y) < N; ++y) {
        const std::string_view row = rows[static_cast<size_t>(y)];
        for (int x = 0; x < kSize; ++x) {
            // A mirrored picture gives only its left half; the right half is its reflection.
            const size_t column = static_cast<size_t>(mirrored && x >= kSize / 2 ? kSize - 1 - x : x);
            if (column >= row.size()) continue;
            for (const Ink& ink : palette) {
                if (ink.key == row[column]) {
                    bitmap.at(x, y) = ink.colour;
                    break;
                }
            }
        }
    }
    return bitmap;
}

// The ship climbing through a night sky; left half, mirrored about the centre line.
constexpr std::array<std::string_view, kSize> kShooterArt = {
    "................", //
    "..,.............", //
    "...............k", //
    "..............kw", //
    "..............kw", //
    ".............kwc", //
    ".............kwc", //
    ".............kwC", //
    ".............kgw", //
    "............kggw", //
    "....,.......kggw", //
    "............kggw", //
    "...........kgggw", //
    "..........kggggw", //
    ".........kgggggw", //
    "........kggggggw", //
    ".......kgggggggw", //
    "......kggggggggw", //
    ".....kgggggggggw", //
    "....krgggggGgggw", //
    "...krrggggGkGggw", //
    "...kRrgggGk.kGgw", //
    "...kkkkkGk...kGw", //
    "........k....kgw", //
    "............kggw", //
    "...........kgggw", //
    "...........kGkkk", //
    "............koyy", //
    ".............oyy", //
    "..............oy", //
    "..............,.", //
    "................", //
};

constexpr std::array<Ink, 12> kShooterInks = {{
    {'.', platform::pixels::rgb(20, 28, 56)},
    {',', platform::pixels::rgb(120, 130, 170)},
    {'k', platform::pixels::rgb(12, 14, 24)},
    {'w', platform::pixels::rgb(236, 240, 246)},
    {'g', platform::pixels::rgb(176, 184, 198)},
    {'G', platform::pixels::rgb(96, 104, 122)},
    {'c', platform::pixels::rgb(96, 210, 255)},
    {'C', platform::pixels::rgb(30, 110, 170)},
    {'r', platform::pixels::rgb(224, 56, 44)},
    {'R', platform::pixels::rgb(140, 26, 26)},
    {'y', platform::pixels::rgb(255, 226, 80)},
    {'o', platform::pixels::rgb(255, 136, 32)},
}};

// A grid of ground tiles with a pencil laid across it.
constexpr std::array<std::string_view, kSize> kMapeditArt = {
    "................................", //
    ".kkkkkkkkkkkkkkkkkkkkkkkkkkkkk..", //
    ".kssssssksssssskbbbbbbkggggggk..", //
    ".ksSssssksssssskbbbbbbkggggggKee", //
    ".kssssssksSsssskbbbbbbkgggggKeee", //
    ".kssssSsksssssskbbbbbbkggggKeeeK", //
    ".kssssssksssssskbbbbbbkgggKeeeK.", //
    ".kssssssksssssskbbbbbbkggKmmmK..", //
    ".kkkkkkkkkkkkkkkkkkkkkkkKyyYKk..", //
    ".ksssssskbbbbbbkggggggkKyyYKgk..", //
    ".ksssssskbbbbbbkggggggKyyYKggk..", //
    ".kssSssskbbbbbbkgggggKyyYKgggk..", //
    ".ksssssskbbbbbbkggggKyyYKggggk..", //
    ".ksssssskbbbbbbkgggKyyYKgggggk..", //
    ".ksssssskbbbbbbkggKyyYKggggggk..", //
    ".kkkkkkkkkkkkkkkkKyyYKkkkkkkkk..", //
    ".kbbbbbbkggggggkKyyYKfkrrrrrrk..", //
    ".kbbbbbbkggggggKyyYKffkrrrrrrk..", //
    ".kbbbbbbkgggggKyyYKfffkrrrrrrk..", //
    ".kbbbbbbkggggKpppKffffkrrrrrrk..", //
    ".kbbbbbbkgggKpppKfffffkrrrrrrk..", //
    ".kbbbbbbkggKpppKffffffkrrrrrrk..", //
    ".kkkkkkkkkKpppKkkkkkkkkkkkkkkk..", //
    ".kggggggkKKpKffkrrrrrrkrrrrrrk..", //
    ".kggggggkKKKfffkrrrrrrkrrrrrrk..", //
    ".kggggggkffffffkrrrrrrkrrrrrrk..", //
    ".kggggggkffffffkrrrrrrkrrrrrrk..", //
    ".kggggggkffffffkrrrrrrkrrrrrrk..", //
    ".kggggggkffffffkrrrrrrkrrrrrrk..", //
    ".kkkkkkkkkkkkkkkkkkkkkkkkkkkkk..", //
    "................................", //
    "................................", //
};

constexpr std::array<Ink, 16> kMapeditInks = {{
    {'.', platform::pixels::rgb(208, 212, 220)},
    {'k', platform::pixels::rgb(52, 56, 66)},
    {'K', platform::pixels::rgb(16, 16, 20)},
    {'s', platform::pixels::rgb(40, 96, 184)},
    {'S', platform::pixels::rgb(150, 200, 240)},
    {'b', platform::pixels::rgb(226, 204, 140)},
    {'g', platform::pixels::rgb(104, 172, 72)},
    {'f', platform::pixels::rgb(36, 100, 44)},
    {'r', platform::pixels::rgb(120, 118, 112)},
    {'y', platform::pixels::rgb(255, 208, 56)},
    {'Y', platform::pixels::rgb(214, 150, 30)},
    {'e', platform::pixels::rgb(236, 120, 140)},
    {'m', platform::pixels::rgb(190, 196, 206)},
    {'p', platform::pixels::rgb(232, 190, 140)},
    {'n', platform::pixels::rgb(60, 60, 60)},
    {'w', platform::pixels::rgb(255, 255, 255)},
}};

} // namespace

platform::pixels::Bitmap shooterIcon() {
    return paint(kShooterArt, kShooterInks, true);
}

platform::pixels::Bitmap mapeditIcon() {
    return paint(kMapeditArt, kMapeditInks, false);
}

platform::pixels::Bitmap iconAtSize(const platform::pixels::Bitmap& art, int size) {
    platform::pixels::Bitmap scaled(size, size);
    platform::pixels::stretchBlit(scaled, 0, 0, size, size, art, 0, 0, art.width, art.height,
                                  platform::pixels::kSrcCopy);
    return scaled;
}

std::vector<platform::pixels::Bitmap> windowIcons(const platform::pixels::Bitmap& art) {
    return {iconAtSize(art, 32), iconAtSize(art, 64), iconAtSize(art, 128)};
}

} // namespace assets
