#include "runtime/picture/line.hpp"

#include "runtime/prompt/canvas.hpp"

#include <array>
#include <limits>
#include <optional>
#include <utility>

namespace picture {

namespace {

// Where the last figure ended; main thread only, like every drawing of the programs.
struct {
    int32_t x = 0;
    int32_t y = 0;
} lastPoint;

// Offsets are added as 32-bit machine integers: wrapping, never undefined.
int32_t addWrapping(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// The excluded right or bottom edge of a box whose last included pixel is v.
int32_t edgeAfter(int32_t v) {
    return v == std::numeric_limits<int32_t>::max() ? v : v + 1;
}

} // namespace

platform::pixels::Colour colourNumberToRgb(int32_t number) {
    static constexpr std::array<platform::pixels::Colour, 8> kColours = {
        0x000000, 0xFF0000, 0x0000FF, 0xFF00FF, 0x00FF00, 0xFFFF00, 0x00FFFF, 0xFFFFFF};
    return number >= 0 && number < 8 ? kColours[static_cast<size_t>(number)] : 0x000000;
}

int32_t drawLine(int32_t x1, int32_t y1, int32_t relative, int32_t x2, int32_t y2, int32_t colour,
                 int32_t mode, int32_t fillColour) {
    if (x1 == kLastPoint && y1 == kLastPoint) {
        x1 = lastPoint.x;
        y1 = lastPoint.y;
    }
    if (relative != 0) {
        x2 = addWrapping(x2, x1);
        y2 = addWrapping(y2, y1);
    } else if (mode != 0) {
        if (x1 > x2) std::swap(x1, x2);
        if (y1 > y2) std::swap(y1, y2);
    }
    const platform::pixels::Colour pen = colourNumberToRgb(colour);
    const std::optional<platform::pixels::Colour> fill =
        mode == 2 ? std::optional<platform::pixels::Colour>(colourNumberToRgb(fillColour)) : std::nullopt;
    const auto draw = [&](platform::pixels::Bitmap& target) {
        if (mode != 0) {
            platform::pixels::rectangle(target, x1, y1, edgeAfter(x2), edgeAfter(y2), pen, fill);
        } else {
            platform::pixels::line(target, x1, y1, x2, y2, pen);
            platform::pixels::setPixel(target, x2, y2, pen); // a line leaves out its end point
        }
    };
    {
        prompt::CanvasLock canvas;
        if (platform::pixels::Bitmap* back = canvas.backBuffer()) draw(*back);
        if (platform::pixels::Bitmap* window = canvas.window()) draw(*window);
    }
    lastPoint = {x2, y2};
    return y2;
}

} // namespace picture
