#pragma once
// Bitmaps of 32-bit COLORREF pixels (0x00BBGGRR, high byte always 0) and drawing on them.
// Rectangles are half-open: (x, y, w, h) covers x .. x+w-1 and y .. y+h-1. Every drawing
// function clips to its target; nothing outside a bitmap is ever read or written.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform::pixels {

using Colour = uint32_t;

constexpr Colour rgb(uint8_t r, uint8_t g, uint8_t b) {
    return Colour{r} | Colour{g} << 8 | Colour{b} << 16;
}

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

// Raster operations (the ternary codes the programs pass around).
inline constexpr uint32_t kSrcCopy = 0x00CC0020;  // destination = source
inline constexpr uint32_t kSrcAnd = 0x008800C6;   // destination = destination AND source
inline constexpr uint32_t kSrcPaint = 0x00EE0086; // destination = destination OR source

// What getPixel answers outside the bitmap.
inline constexpr Colour kInvalidColour = 0xFFFFFFFF;

// Copies the source rectangle (sx, sy, sw, sh) onto the destination rectangle (x, y, w, h),
// stretched by nearest neighbour: destination pixel (i, j) takes source pixel
// (sx + i * sw / w, sy + j * sh / h), integer division. Destination pixels outside dst, and those
// whose source pixel lies outside src, are left alone. rop 0 means kSrcCopy. src and dst may be
// the same bitmap, overlapping or not: the result is as if the source were read first.
// Returns false only for a raster operation other than the three above; an empty or negative
// rectangle draws nothing and succeeds.
bool stretchBlit(Bitmap& dst, int32_t x, int32_t y, int32_t w, int32_t h, const Bitmap& src, int32_t sx,
                 int32_t sy, int32_t sw, int32_t sh, uint32_t rop);
// The same at equal size: w x h pixels from (sx, sy) to (x, y).
bool blit(Bitmap& dst, int32_t x, int32_t y, int32_t w, int32_t h, const Bitmap& src, int32_t sx, int32_t sy,
          uint32_t rop);

// A sprite over its mask in one pass: destination = (destination AND mask) OR sprite, the same
// pixels as blit(mask, SRCAND) followed by blit(sprite, SRCPAINT) at (x, y). mask and sprite must
// have one size and neither may be dst; otherwise nothing is drawn and the answer is false. Only
// the rows of dst in [bandTop, bandBottom) are drawn: a picture composed a band of rows at a time
// gets the same pixels.
bool maskedBlit(Bitmap& dst, int32_t x, int32_t y, const Bitmap& mask, const Bitmap& sprite, int32_t bandTop = 0,
                int32_t bandBottom = INT32_MAX);

// The order of a pixel's colours in a 32-bit word where pixels leave for a display: ours
// (0x00BBGGRR), or red and blue exchanged (0x00RRGGBB), as many displays keep them.
enum class Order { Xbgr, Xrgb };
// Copies n of our pixels into dst in the given order. dst and src must not overlap.
void copyRow(Colour* dst, const Colour* src, size_t n, Order order);
// Each of n pixels of src written factor times side by side into dst (n * factor pixels), as an
// enlarged view shows one row of its blocks. dst and src must not overlap.
void enlargeRow(Colour* dst, const Colour* src, size_t n, int32_t factor);

// Fills the rectangle with one colour (the black pattern fill passes 0).
void fillRect(Bitmap& dst, int32_t x, int32_t y, int32_t w, int32_t h, Colour colour);

// A rectangle from (left, top) to (right, bottom), right and bottom excluded, the corners taken in
// either order: a 1-pixel outline in `pen`, the inside filled with `fill` when there is one.
void rectangle(Bitmap& dst, int32_t left, int32_t top, int32_t right, int32_t bottom, Colour pen,
               std::optional<Colour> fill);

// A line from (x1, y1) towards (x2, y2), the end point itself not drawn. Along the longer axis
// every step sets one pixel; the shorter coordinate is the exact one rounded half up.
void line(Bitmap& dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Colour pen);

// One pixel; outside the bitmap setPixel does nothing and getPixel answers kInvalidColour.
void setPixel(Bitmap& dst, int32_t x, int32_t y, Colour colour);
Colour getPixel(const Bitmap& src, int32_t x, int32_t y);

} // namespace platform::pixels
