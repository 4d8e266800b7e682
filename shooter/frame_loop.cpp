#include "shooter/frame_loop.hpp"

#include "runtime/core/rtmath.hpp"
#include "shooter/air_enemies.hpp"
#include "shooter/effects.hpp"
#include "shooter/fortress.hpp"
#include "shooter/ground_objects.hpp"
#include "shooter/weapons.hpp"

namespace shooter {

void inputStep(GameState& g) {
    auto& o = g.obj;
    const uint8_t keys = frameKeys(g, kGameFrameKeys);
    if ((keys & kKeyBitShot) != 0) {
        if (g.shotKeyLatch == 0) {
            g.shotKeyLatch = 1;
            fireShot(g);
        }
    } else {
        g.shotKeyLatch = 0;
    }

    if ((keys & kKeyBitBomb) != 0) {
        if (g.bombKeyLatch == 0) {
            g.bombKeyLatch = 1;
            // A press while a bomb falls is used up without effect.
            if (o.kind[kBombSlot] == 0) {
                o.kind[kBombSlot] = kKindShot;
                o.frame[kBombSlot] = 2;
                o.x[kBombSlot] = o.x[kShipSlot];
                o.y[kBombSlot] = o.y[kShipSlot];
                o.kind[kMarkerSlot] = kKindShip;
                o.frame[kMarkerSlot] = 3;
                o.x[kMarkerSlot] = o.x[kShipSlot];
                o.y[kMarkerSlot] = o.y[kShipSlot] - 150;
                g.bombTimer = 134;
            }
        }
    } else {
        g.bombKeyLatch = 0;
    }

    const int step = 2 * g.speedFactor;
    if ((keys & kKeyBitUp) != 0 && o.y[kShipSlot] > 170) {
        o.y[kShipSlot] -= step;
        o.y[kSightSlot] = o.y[kShipSlot] - 150;
    }
    if ((keys & kKeyBitDown) != 0 && o.y[kShipSlot] < 430) {
        o.y[kShipSlot] += step;
        o.y[kSightSlot] = o.y[kShipSlot] - 150;
    }
    if ((keys & kKeyBitLeft) != 0 && o.x[kShipSlot] > 0) {
        o.x[kShipSlot] -= step;
        o.x[kSightSlot] = o.x[kShipSlot];
    }
    if ((keys & kKeyBitRight) != 0 && o.x[kShipSlot] < 480) {
        o.x[kShipSlot] += step;
        o.x[kSightSlot] = o.x[kShipSlot];
    }
}

void runFrame(GameState& g, const FrameServices& services) {
    g.mapRow = static_cast<int16_t>(rt::rtInt(static_cast<double>(g.scrollCounter) / g.framesPerRow));
    inputStep(g);
    g.playerX = g.obj.x[kShipSlot];
    g.playerY = g.obj.y[kShipSlot];
    moveShots(g);
    moveBomb(g);
    spawnAirWave(g);
    moveAirEnemies(g);
    moveEnemyBullets(g);
    moveGroundObjects(g);
    animateHitFlashes(g);
    animateWrecks(g);
    moveFortress(g);
    if (services.renderFrame) services.renderFrame(g);
}

void runPass(GameState& g, const FrameServices& services, int32_t fromRow) {
    // A missing or empty map reads as no row at all; one empty row keeps the loop pacing itself.
    if (g.lastRow < 0) g.lastRow = 0;
    const int32_t first = fromRow >= 0 && fromRow <= g.lastRow ? fromRow : g.lastRow;
    g.scrollCounter = static_cast<int16_t>(first * g.framesPerRow);
    while (g.scrollCounter >= 0) {
        runFrame(g, services);
        if (services.sleep) services.sleep(rt::toInt32(g.frameWait));
        g.scrollCounter = static_cast<int16_t>(g.scrollCounter - 1);
    }
}

void frameLoop(GameState& g, const FrameServices& services, int32_t firstRow) {
    runPass(g, services, firstRow);
    for (;;) runPass(g, services);
}

} // namespace shooter
