#include "shooter/ground_objects.hpp"

#include "mapfile/mapfile.hpp"
#include "runtime/core/rtmath.hpp"
#include "shooter/air_enemies.hpp"

namespace shooter {

namespace {

int16_t turretDelay() {
    return static_cast<int16_t>(rt::rtInt(rt::rtRnd() * 100) + 50);
}

void driveAlongPath(GameState& g, int i, int slot) {
    auto& o = g.obj;
    const int d = g.pathDir[i] & 7;
    if (isPathCell(g, g.pathCol[i] + g.dirX[d], g.pathRow[i] + g.dirY[d])) {
        o.y[slot] += g.dirY[d] * g.speedFactor;
        o.x[slot] += g.dirX[d] * g.speedFactor;
        g.pathStep[i] = static_cast<int16_t>(g.pathStep[i] + 1);
        if (g.pathStep[i] == g.framesPerRow) {
            // 16 pixels travelled: the object is now in the next cell.
            g.pathStep[i] = 0;
            g.pathCol[i] += g.dirX[d];
            g.pathRow[i] += g.dirY[d];
        }
        return;
    }
    // Turn: try d-3, d-2, ... d+4 (the way back last). The turning step neither counts as a step
    // nor changes the cell.
    const int base = (d + 5) & 7;
    for (int k = 0; k < 8; ++k) {
        const int turned = (base + k) & 7;
        g.pathDir[i] = static_cast<int16_t>(turned);
        if (isPathCell(g, g.pathCol[i] + g.dirX[turned], g.pathRow[i] + g.dirY[turned])) {
            o.y[slot] += g.dirY[turned] * g.speedFactor;
            o.x[slot] += g.dirX[turned] * g.speedFactor;
            return;
        }
    }
}

void resetTurretAfterCycle(GameState& g, int i, int slot) {
    if (g.groundTimer[i] < -10) {
        g.obj.frame[slot] = 1;
        g.groundTimer[i] = turretDelay();
    }
}

} // namespace

bool isPathCell(const GameState& g, double col, double row) {
    const int32_t c = rt::toInt32(col);
    const int32_t r = rt::toInt32(row);
    if (c < 0 || c >= kMapVisibleColumns || r < 0 || r >= kMapRows) return false;
    return mapfile::isPathCell(g.mapCells[static_cast<size_t>(r * kMapColumns + c)]);
}

void spawnGroundObject(GameState& g, int16_t groundCode, int16_t col, int16_t row) {
    auto& o = g.obj;
    int i = 0;
    while (i < kGroundCount && o.kind[kFirstGroundSlot + i] != 0) ++i;
    if (i == kGroundCount) return; // the object is lost
    const int slot = kFirstGroundSlot + i;

    auto place = [&](int16_t kind) {
        o.kind[slot] = kind;
        o.x[slot] = col * 16;
        o.y[slot] = 0;
        o.frame[slot] = 1;
    };
    switch (groundCode) {
    case kGroundStill:
        place(11);
        break;
    case kGroundTurret:
        place(12);
        g.groundTimer[i] = turretDelay();
        break;
    case kGroundStill2:
        place(13);
        break;
    case kGroundVehicle:
        place(14);
        g.pathCol[i] = col;
        g.pathRow[i] = row;
        g.pathStep[i] = 0;
        // The first path neighbour in the order 0..7 sets the way; with none the vehicle stays put.
        for (int d = 0; d < 8; ++d) {
            if (isPathCell(g, col + g.dirX[d], row + g.dirY[d])) {
                g.pathDir[i] = static_cast<int16_t>(d);
                break;
            }
        }
        g.groundTimer[i] = turretDelay();
        break;
    case kGroundGun:
        place(15);
        g.groundTimer[i] = static_cast<int16_t>(rt::rtInt(rt::rtRnd() * 50) + 30);
        break;
    case kGroundFortress:
        // Needs a free ground slot like the others but leaves it free; restarts a fortress in play.
        o.kind[kFortressSlot] = kKindFortress;
        o.x[kFortressSlot] = 160;
        o.y[kFortressSlot] = -192;
        o.frame[kFortressSlot] = 1;
        g.fortressTimer = 0;
        break;
    default:
        break;
    }
}

void moveGroundObjects(GameState& g) {
    auto& o = g.obj;
    for (int i = 0; i < kGroundCount; ++i) {
        const int slot = kFirstGroundSlot + i;
        switch (o.kind[slot]) {
        case 11:
        case 13:
            o.y[slot] += g.speedFactor;
            if (o.y[slot] > 474) o.kind[slot] = 0;
            break;
        case 12:
            o.y[slot] += g.speedFactor;
            turretCycle(g, i, slot);
            resetTurretAfterCycle(g, i, slot);
            if (o.y[slot] > 474) o.kind[slot] = 0;
            break;
        case 15:
            o.y[slot] += g.speedFactor;
            g.groundTimer[i] = static_cast<int16_t>(g.groundTimer[i] - g.speedFactor);
            if (g.groundTimer[i] <= 0) {
                fireEnemyBullet(g, slot);
                g.groundTimer[i] = static_cast<int16_t>(rt::rtInt(rt::rtRnd() * 30) + 20);
            }
            if (o.y[slot] > 474) o.kind[slot] = 0;
            break;
        case 14:
            driveAlongPath(g, i, slot);
            o.y[slot] += g.speedFactor;
            if (o.y[slot] < 0 || o.y[slot] > 474) o.kind[slot] = 0;
            if (o.x[slot] < 0 || o.x[slot] > 512) o.kind[slot] = 0;
            turretCycle(g, i, slot);
            resetTurretAfterCycle(g, i, slot);
            break;
        default:
            break;
        }
    }
}

void turretCycle(GameState& g, int i, int slot) {
    auto& o = g.obj;
    g.groundTimer[i] = static_cast<int16_t>(g.groundTimer[i] - g.speedFactor);
    if (g.groundTimer[i] < 10) o.frame[slot] = 2;
    if (g.groundTimer[i] < 5) o.frame[slot] = 3;
    // Exactly one frame of each cycle lands in (-speedFactor, 0].
    if (g.groundTimer[i] > -g.speedFactor && g.groundTimer[i] <= 0) fireEnemyBullet(g, slot);
    if (g.groundTimer[i] < -5) o.frame[slot] = 2;
}

bool rowIsDue(const GameState& g) {
    return g.scrollCounter == g.mapRow * g.framesPerRow;
}

void startRowObjects(GameState& g) {
    if (!rowIsDue(g)) return;
    if (g.mapRow < 0 || g.mapRow >= kMapRows) return;
    for (int16_t col = 0; col < kMapVisibleColumns; ++col) {
        const int16_t cell = g.mapCells[static_cast<size_t>(g.mapRow * kMapColumns + col)];
        const int16_t groundCode = static_cast<int16_t>(mapfile::groundCode(cell) << 8);
        if (groundCode > 0) spawnGroundObject(g, groundCode, col, g.mapRow);
    }
}

} // namespace shooter
