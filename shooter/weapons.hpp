#pragma once
// The player's weapons: up to three shots against air enemies, one bomb at a time against the
// ground objects and the fortress, and their hit tests.
#include "shooter/game_state.hpp"

namespace shooter {

// Starts a shot in the first free shot slot, at the ship, with the shot sound; with three shots
// in flight nothing starts and nothing plays.
void fireShot(GameState& g);
// Moves every shot up, tests it against the air enemies and ends the shots that left the top.
void moveShots(GameState& g);
// Shot i against the air enemies: the first enemy hit is destroyed with the shot, and a hit
// flash starts where the enemy was.
void shotHitTest(GameState& g, int i);
// Moves the bomb up and its marker down with the ground; when they meet the bomb lands.
void moveBomb(GameState& g);
// Every ground object within 18 pixels of the bomb is destroyed and starts its explosion.
void bombHitGround(GameState& g);
// A bomb landing on the fortress's target point destroys it.
void bombHitFortress(GameState& g);

} // namespace shooter
