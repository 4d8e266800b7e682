#include "shooter/effects.hpp"

#include "runtime/core/rtmath.hpp"

namespace shooter {

void animateHitFlashes(GameState& g) {
    auto& o = g.obj;
    // Every flash timer counts, in use or not; a new flash sets it to 15 again.
    for (int i = 0; i < kFlashCount; ++i) {
        const int slot = kFirstFlashSlot + i;
        g.flashTimer[i] = static_cast<int16_t>(g.flashTimer[i] - g.speedFactor);
        if (g.flashTimer[i] < 10) o.frame[slot] = 2;
        if (g.flashTimer[i] < 0) o.kind[slot] = 0;
    }
}

void animateWrecks(GameState& g) {
    auto& o = g.obj;
    for (int i = 0; i < kGroundCount; ++i) {
        const int slot = kFirstWreckSlot + i;
        if (o.kind[slot] <= 0) continue;
        o.y[slot] += g.speedFactor;
        g.wreckTimer[i] = static_cast<int16_t>(g.wreckTimer[i] - g.speedFactor);
        const int16_t t = g.wreckTimer[i];
        if (t <= 25) o.frame[slot] = 2;
        if (t <= 20) o.frame[slot] = 3;
        if (t <= 15) o.frame[slot] = 2;
        if (t <= 10) o.frame[slot] = 1;
        if (t <= 0 && o.kind[slot] == kKindExplosion) {
            // The wreck lies where the ground object stood.
            o.kind[slot] = kKindWreck;
            o.y[slot] += 16;
            o.x[slot] += 16;
        }
        if (o.kind[slot] == kKindWreck) o.frame[slot] = static_cast<int16_t>(rt::rtInt(rt::rtRnd() * 2) + 1);
        if (o.y[slot] > 474) o.kind[slot] = 0;
    }
}

} // namespace shooter
