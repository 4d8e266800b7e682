#pragma once
// The player's input step and the endless frame loop with its fixed order of routines.
#include "shooter/game_state.hpp"

#include <cstdint>
#include <functional>

namespace shooter {

// Shot ("X") and bomb ("Z") with their latches, then the four arrows; every bound is tested
// before its step, so the ship may end one step beyond it.
void inputStep(GameState& g);

// What the loop calls besides the game routines. renderFrame is the frame's last routine (it
// draws and starts the ground objects of a row that comes in); sleep is the end-of-frame wait.
struct FrameServices {
    std::function<void(GameState&)> renderFrame;
    std::function<void(int32_t ms)> sleep;
};

// One frame: map row, input, the ship's position for the aimers, the ten routines in order.
void runFrame(GameState& g, const FrameServices& services);
// One pass over the map, from its last row (or fromRow, when it is 0 or more) down to row 0, each
// frame followed by the wait. A map without rows (lastRow below 0) is taken as one row, so every
// pass runs a frame and waits.
void runPass(GameState& g, const FrameServices& services, int32_t fromRow = -1);
// Pass after pass for ever; objects in flight carry on from one pass to the next. The first pass
// starts at firstRow when it is 0 or more (the rows below it never come in then), the others at
// the last row.
[[noreturn]] void frameLoop(GameState& g, const FrameServices& services, int32_t firstRow = -1);

} // namespace shooter
