#pragma once
// Lines and boxes in eight numbered colours, drawn on the window and identically on its back
// buffer, so that they survive repainting.
#include "platform/pixels.hpp"

#include <cstdint>

namespace picture {

// 0 black, 1 blue, 2 red, 3 magenta, 4 green, 5 cyan, 6 yellow, 7 white; any other number black.
platform::pixels::Colour colourNumberToRgb(int32_t number);

// Where x1 and y1 both equal this, a figure starts where the previous one ended.
inline constexpr int32_t kLastPoint = INT32_MIN; // 0x80000000

// mode 0: line from (x1, y1) to (x2, y2), end point included; 2: box with both corners included,
// outlined in `colour` and filled with `fillColour`; any other: box outline. relative nonzero:
// (x2, y2) are offsets from (x1, y1), and the box keeps its corners as computed; otherwise a box's
// corners are put in order first. Returns y2 of the figure drawn and remembers (x2, y2); the
// first figure's last point is (0, 0).
int32_t drawLine(int32_t x1, int32_t y1, int32_t relative, int32_t x2, int32_t y2, int32_t colour,
                 int32_t mode, int32_t fillColour);

} // namespace picture
