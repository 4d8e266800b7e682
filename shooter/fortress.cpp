#include "shooter/fortress.hpp"

#include "runtime/core/rtmath.hpp"
#include "shooter/air_enemies.hpp"

namespace shooter {

namespace {
// Gun points measured from the fortress's top-left corner.
constexpr int16_t kGunX[4] = {62, 126, 62, 126};
constexpr int16_t kGunY[4] = {62, 62, 126, 126};
} // namespace

void moveFortress(GameState& g) {
    auto& o = g.obj;
    constexpr int s = kFortressSlot;
    if (o.kind[s] <= 0) return;
    if (o.frame[s] == 3) {
        // Destroyed: it lies on the ground and scrolls with it.
        o.y[s] += g.speedFactor;
        if (o.y[s] > 474) o.kind[s] = 0;
        return;
    }
    fortressFire(g);
    o.frame[s] = static_cast<int16_t>(rt::rtInt(rt::rtRnd() * 2) + 1);
    if (g.fortressTimer == 0) {
        o.y[s] += 2 * g.speedFactor;
        if (o.y[s] >= 80) g.fortressTimer = 1;
    } else {
        g.fortressTimer = static_cast<int16_t>(g.fortressTimer + g.speedFactor);
        if (g.fortressTimer > 1000) {
            o.y[s] -= g.speedFactor;
            if (o.y[s] <= -190) o.kind[s] = 0;
        }
    }
}

void fortressFire(GameState& g) {
    if (rt::rtRnd() >= 0.1) return;
    const int gun = rt::rtInt(rt::rtRnd() * 4);
    g.bulletOffsetX = kGunX[gun];
    g.bulletOffsetY = kGunY[gun];
    fireEnemyBullet(g, kFortressSlot);
    g.bulletOffsetX = 10;
    g.bulletOffsetY = 12;
}

} // namespace shooter
