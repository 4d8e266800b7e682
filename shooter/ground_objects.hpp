#pragma once
// Ground objects start from the map as their row comes in and ride on the scrolling ground: some
// stand still, turrets open and fire on a timer, guns fire without opening, one kind drives along
// the path cells of the map, and one code brings in the fortress.
#include "shooter/game_state.hpp"

namespace shooter {

inline constexpr int16_t kGroundStill = 0x100;
inline constexpr int16_t kGroundTurret = 0x200;
inline constexpr int16_t kGroundStill2 = 0x300;
inline constexpr int16_t kGroundVehicle = 0x400;
inline constexpr int16_t kGroundGun = 0x500;
inline constexpr int16_t kGroundFortress = 0x900;

// Starts the object of a map cell's ground code (cell & 0xF00) at column col of map row row, in
// the lowest free ground slot; nothing starts when all are busy or the code names nothing.
void spawnGroundObject(GameState& g, int16_t groundCode, int16_t col, int16_t row);
void moveGroundObjects(GameState& g);
// One timer step of a turret (kinds 12 and 14): opens, fires once when the timer reaches 0, closes.
void turretCycle(GameState& g, int i, int slot);

// A cell marked as path (its top four bits exactly 0x1000). Column and row are truncated; a
// position off the map (row outside 0..1000, column outside 0..31) is never a path cell.
bool isPathCell(const GameState& g, double col, double row);

// The ground-object half of the renderer's new-row step: when the scroll has reached a row
// boundary, every cell of the due row (columns 0..31, left to right) with a ground code starts
// its object.
bool rowIsDue(const GameState& g);
void startRowObjects(GameState& g);

} // namespace shooter
