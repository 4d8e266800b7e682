#pragma once
// The start-up speed measurement: 230 stripped-down frames without any wait, timed with the tick
// count, choose the movement multiplier (speedFactor, with framesPerRow) and the per-frame wait.
#include "shooter/game_state.hpp"

#include <cstdint>
#include <functional>

namespace shooter {

inline constexpr int kCalibrationFrames = 230;
inline constexpr double kCalibrationBudgetMs = 4000;

struct CalibrationServices {
    // Draws the frame (the game's renderer).
    std::function<void(GameState&)> renderFrame;
    // The system's wrapping millisecond tick count.
    std::function<uint32_t()> tickCount;
};

// Milliseconds between two readings of the tick count. It wraps every 2^32 ms, so the difference
// is taken modulo 2^32: a wrap during the measurement still gives the time that passed.
uint32_t elapsedTicks(uint32_t startTick, uint32_t endTick);
// speedFactor, framesPerRow and frameWait (not yet rounded) from the time the 230 frames took.
void setSpeedFromElapsed(GameState& g, double calibrationElapsed);
// Frames per 16-pixel map row at the speed factor (16, 8, 4, 2, 1), the quotient in single precision.
int16_t framesPerRowFor(int16_t speedFactor);
// One measured frame: the space bar fires (sharing the shot key's latch), the arrows move the ship
// within the measurement's own bounds, then the frame is drawn and the shots move.
void calibrationFrame(GameState& g, const CalibrationServices& services);
// The 230 frames alone, without reading the clock (a replay runs them and takes the recorded speed).
void runCalibrationFrames(GameState& g, const CalibrationServices& services);
// The whole measurement, with speedFactor 1 on entry.
void measureSpeed(GameState& g, const CalibrationServices& services);

} // namespace shooter
