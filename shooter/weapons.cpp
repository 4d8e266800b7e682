#include "shooter/weapons.hpp"

#include "runtime/core/rtmath.hpp"

namespace shooter {

namespace {
constexpr std::string_view kShotSound = "sound\\zapper.wav";
}

void fireShot(GameState& g) {
    auto& o = g.obj;
    for (int i = 0; i < kShotCount; ++i) {
        if (g.shotActive[i] != 0) continue;
        g.shotActive[i] = 1;
        const int j = kFirstShotSlot + i;
        o.y[j] = o.y[kShipSlot] + 4;
        o.x[j] = o.x[kShipSlot];
        o.kind[j] = kKindShot;
        o.frame[j] = 1;
        if (g.playSound) g.playSound(kShotSound);
        return;
    }
}

void moveShots(GameState& g) {
    auto& o = g.obj;
    for (int i = 0; i < kShotCount; ++i) {
        if (g.shotActive[i] != 1) continue;
        const int j = kFirstShotSlot + i;
        o.y[j] -= 8 * g.speedFactor;
        shotHitTest(g, i);
        if (o.y[j] < 0) {
            o.kind[j] = 0;
            g.shotActive[i] = 0;
        }
    }
}

void shotHitTest(GameState& g, int i) {
    auto& o = g.obj;
    const int j = kFirstShotSlot + i;
    for (int k = 0; k < kEnemyCount; ++k) {
        const int m = kFirstEnemySlot + k;
        if (o.kind[m] == 0) continue;
        const int16_t dx = rt::toInt16(o.x[m] - o.x[j]);
        const int16_t dy = rt::toInt16(o.y[m] - o.y[j]);
        if (dx < -31 || dx > 31 || dy < 0 || dy > 32) continue;
        o.kind[m] = 0;
        o.kind[j] = 0;
        g.shotActive[i] = 0;
        for (int f = 0; f < kFlashCount; ++f) {
            const int s = kFirstFlashSlot + f;
            if (o.kind[s] != 0) continue;
            o.kind[s] = kKindFlash;
            o.x[s] = o.x[m];
            o.y[s] = o.y[m];
            o.frame[s] = 1;
            g.flashTimer[f] = 15;
            break;
        }
        return; // one shot destroys at most one enemy
    }
}

void moveBomb(GameState& g) {
    auto& o = g.obj;
    if (o.kind[kBombSlot] <= 0) return;
    o.y[kBombSlot] -= 4 * g.speedFactor;
    o.y[kMarkerSlot] += g.speedFactor;
    g.bombTimer = static_cast<int16_t>(g.bombTimer - 4 * g.speedFactor);
    if (g.bombTimer <= 100) o.frame[kBombSlot] = 3;
    if (o.y[kBombSlot] - o.y[kMarkerSlot] <= 0) {
        o.kind[kBombSlot] = 0;
        o.kind[kMarkerSlot] = 0;
        // Both tests use the bomb's last position, which its slot still holds.
        bombHitGround(g);
        bombHitFortress(g);
    }
}

void bombHitGround(GameState& g) {
    auto& o = g.obj;
    for (int k = 0; k < kGroundCount; ++k) {
        const int m = kFirstGroundSlot + k;
        if (o.kind[m] == 0) continue;
        const int16_t dx = rt::toInt16(o.x[m] - o.x[kBombSlot]);
        const int16_t dy = rt::toInt16(o.y[m] - o.y[kBombSlot]);
        if (dx < -18 || dx > 18 || dy < -18 || dy > 18) continue;
        o.kind[m] = 0;
        o.kind[kBombSlot] = 0;
        const int w = kFirstWreckSlot + k;
        o.kind[w] = kKindExplosion;
        o.frame[w] = 1;
        o.x[w] = o.x[m] - 16;
        o.y[w] = o.y[m] - 16;
        g.wreckTimer[k] = 30;
    }
}

void bombHitFortress(GameState& g) {
    auto& o = g.obj;
    if (o.kind[kFortressSlot] <= 0) return;
    // (84, 84) from the fortress's corner is the point the bomb must meet.
    const int16_t dx = rt::toInt16(o.x[kFortressSlot] + 84 - o.x[kBombSlot]);
    const int16_t dy = rt::toInt16(o.y[kFortressSlot] + 84 - o.y[kBombSlot]);
    if (dx < -12 || dx > 12 || dy < -16 || dy > 0) return;
    o.kind[kBombSlot] = 0;
    o.frame[kFortressSlot] = 3;
}

} // namespace shooter
