#include "shooter/timing.hpp"

#include "runtime/core/rtmath.hpp"
#include "shooter/weapons.hpp"

namespace shooter {

uint32_t elapsedTicks(uint32_t startTick, uint32_t endTick) {
    return endTick - startTick;
}

void setSpeedFromElapsed(GameState& g, double calibrationElapsed) {
    // A tenth of the spare time per frame, had the game run at the measured speed.
    g.frameWait = ((kCalibrationBudgetMs - calibrationElapsed) / kCalibrationFrames) / 10;
    if (calibrationElapsed > kCalibrationBudgetMs) {
        // Too slow: move farther per frame until there is time to spare, at most 16 pixels.
        for (int i = 1; i <= 4; ++i) {
            g.speedFactor = static_cast<int16_t>(rt::toInt32(rt::rtPow(2, i)));
            g.frameWait =
                ((kCalibrationBudgetMs - calibrationElapsed / g.speedFactor) / kCalibrationFrames) / 10;
            if (g.frameWait > 0.5) break;
        }
    }
    g.framesPerRow = framesPerRowFor(g.speedFactor);
}

int16_t framesPerRowFor(int16_t speedFactor) {
    return static_cast<int16_t>(16.0f / static_cast<float>(speedFactor));
}

void calibrationFrame(GameState& g, const CalibrationServices& services) {
    auto& o = g.obj;
    const uint8_t keys = frameKeys(g, kCalibrationFrameKeys);
    if ((keys & kKeyBitSpace) != 0) {
        if (g.shotKeyLatch == 0) {
            g.shotKeyLatch = 1;
            fireShot(g);
        }
    } else {
        g.shotKeyLatch = 0;
    }
    // The ship is not placed yet; the sight stays where it is.
    const int step = 2 * g.speedFactor;
    if ((keys & kKeyBitUp) != 0 && o.y[kShipSlot] > -30) o.y[kShipSlot] -= step;
    if ((keys & kKeyBitDown) != 0 && o.y[kShipSlot] < 400) o.y[kShipSlot] += step;
    if ((keys & kKeyBitLeft) != 0 && o.x[kShipSlot] > 0) o.x[kShipSlot] -= step;
    if ((keys & kKeyBitRight) != 0 && o.x[kShipSlot] < 600) o.x[kShipSlot] += step;
    if (services.renderFrame) services.renderFrame(g);
    moveShots(g);
}

void runCalibrationFrames(GameState& g, const CalibrationServices& services) {
    // No wait between the frames: their time is what is measured.
    for (g.scrollCounter = kCalibrationFrames; g.scrollCounter >= 1; --g.scrollCounter) {
        g.mapRow = 0;
        calibrationFrame(g, services);
    }
}

void measureSpeed(GameState& g, const CalibrationServices& services) {
    const uint32_t startTick = services.tickCount();
    runCalibrationFrames(g, services);
    const uint32_t endTick = services.tickCount();
    setSpeedFromElapsed(g, elapsedTicks(startTick, endTick));
}

} // namespace shooter
