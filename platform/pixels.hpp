#pragma once
// Bitmaps of 32-bit COLORREF pixels (0x00BBGGRR, high byte always 0) and drawing on them.
// Rectangles are half-open: (x, y, w, h) covers x .. x+w-1 and y .. y+h-1.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixels {

using Colour = uint32_t;

constexpr Colour rgb(uint8_t r, uint8_t g, uint8_t b) { return Colour{r} | Colour{g} << 8 | Colour{b} << 16; }

struct Bitmap {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<Colour> pixels; // row after row, index y * width + x

    Bitmap() = default;
    Bitmap(int32_t w, int32_t h, Colour fill = 0)
        : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}

    bool empty() const { return width <= 0 || height <= 0; }
    Colour* row(int32_t y) { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width); }
    const Colour* row(int32_t y) const {
        return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    }
    Colour& at(int32_t x, int32_t y) { return row(y)[x]; }
    Colour at(int32_t x, int32_t y) const { return row(y)[x]; }
    bool contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

} // namespace pixels
