#pragma once
// Air enemies come in random waves from the top edge, fly towards where the ship was, fire one
// aimed bullet and turn back. Enemy bullets are aimed once and then fly straight.
#include "shooter/game_state.hpp"

namespace shooter {

// With probability speedFactor / 200 per frame, four enemies start (as many as slots are free).
void spawnAirWave(GameState& g);
// One enemy in the lowest free air slot, aimed at the ship's position; none when all are busy.
void spawnAirEnemy(GameState& g);
void moveAirEnemies(GameState& g);
// One bullet from the shooter's slot (plus the bullet offset), aimed at the ship; dropped when
// all bullet slots are busy. Fired from exactly the aim point, it flies straight down.
void fireEnemyBullet(GameState& g, int shooterSlot);
void moveEnemyBullets(GameState& g);

} // namespace shooter
