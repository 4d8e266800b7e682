#include "shooter/air_enemies.hpp"

#include "runtime/core/rtmath.hpp"

namespace shooter {

void spawnAirWave(GameState& g) {
    if (rt::rtInt(rt::rtRnd() * 200 / g.speedFactor) != 0) return;
    for (int n = 0; n < 4; ++n) spawnAirEnemy(g);
}

void spawnAirEnemy(GameState& g) {
    auto& o = g.obj;
    for (int i = 0; i < kEnemyCount; ++i) {
        const int slot = kFirstEnemySlot + i;
        if (o.kind[slot] != 0) continue;
        o.kind[slot] = kKindEnemy;
        o.x[slot] = rt::rtInt(rt::rtRnd() * 512);
        o.y[slot] = 0;
        o.frame[slot] = 1;
        const int16_t n = static_cast<int16_t>(rt::rtInt(rt::rtRnd() * 100) + 200);
        g.enemyDX[i] = ((g.playerX - o.x[slot]) / n) * g.speedFactor * 2;
        g.enemyDY[i] = ((g.playerY - o.y[slot]) / n) * g.speedFactor * 2;
        // A single-precision quotient, truncated: 50..99 frames at speed factor 1.
        g.enemyCount[i] = rt::toInt16(static_cast<float>(n - 100) / static_cast<float>(g.speedFactor * 2));
        return;
    }
}

void moveAirEnemies(GameState& g) {
    auto& o = g.obj;
    for (int i = 0; i < kEnemyCount; ++i) {
        const int slot = kFirstEnemySlot + i;
        if (o.kind[slot] != kKindEnemy) continue;
        if (o.frame[slot] == 1) {
            o.x[slot] += g.enemyDX[i];
            o.y[slot] += g.enemyDY[i];
            g.enemyCount[i] = static_cast<int16_t>(g.enemyCount[i] - 1);
            if (g.enemyCount[i] < 0) {
                o.frame[slot] = 2;
                fireEnemyBullet(g, slot);
            }
        } else {
            // Turning back: the sideways drift stays, the vertical motion reverses.
            o.x[slot] += g.enemyDX[i];
            if (o.x[slot] < -32 || o.x[slot] > 512) o.kind[slot] = 0;
            o.y[slot] -= g.enemyDY[i];
            if (o.y[slot] < -32 || o.y[slot] > 512) o.kind[slot] = 0;
        }
    }
}

void fireEnemyBullet(GameState& g, int shooterSlot) {
    auto& o = g.obj;
    for (int i = 0; i < kBulletCount; ++i) {
        const int slot = kFirstBulletSlot + i;
        if (o.kind[slot] != 0) continue;
        o.kind[slot] = kKindBullet;
        o.x[slot] = o.x[shooterSlot] + g.bulletOffsetX;
        o.y[slot] = o.y[shooterSlot] + g.bulletOffsetY;
        o.frame[slot] = 1;
        // Aimed at the point (12, 12) inside the ship's picture.
        const double dx = (g.playerX + 12) - o.x[slot];
        const double dy = (g.playerY + 12) - o.y[slot];
        const double speed = g.speedFactor * 2;
        if (rt::rtAbs(dx) > rt::rtAbs(dy)) {
            g.bulletVX[i] = rt::rtSgn(dx) * speed;
            g.bulletVY[i] = (dy / rt::rtAbs(dx)) * g.speedFactor * 2;
        } else if (dy != 0) {
            g.bulletVY[i] = rt::rtSgn(dy) * speed;
            g.bulletVX[i] = (dx / rt::rtAbs(dy)) * g.speedFactor * 2;
        } else {
            // Fired from the aim point itself there is no direction: straight down.
            g.bulletVY[i] = speed;
            g.bulletVX[i] = 0;
        }
        return;
    }
}

void moveEnemyBullets(GameState& g) {
    auto& o = g.obj;
    for (int i = 0; i < kBulletCount; ++i) {
        const int slot = kFirstBulletSlot + i;
        if (o.kind[slot] != kKindBullet) continue;
        o.y[slot] += g.bulletVY[i];
        o.x[slot] += g.bulletVX[i];
        o.frame[slot] = static_cast<int16_t>(rt::rtInt(rt::rtRnd() * 2) + 1);
        if (o.y[slot] < 0 || o.y[slot] > 474) o.kind[slot] = 0;
        if (o.x[slot] < -8 || o.x[slot] > 512) o.kind[slot] = 0;
    }
}

} // namespace shooter
