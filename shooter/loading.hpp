#pragma once
// The map the game scrolls: AREA1.csv read into mapCells and lastRow.
#include "shooter/game_state.hpp"

#include <string>

namespace shooter {

// Reads the map file in the game's layout. A missing, unreadable or empty file (no complete row)
// becomes one empty row, lastRow 0, so that the frame loop still runs and waits every frame.
void readMap(GameState& g, const std::string& path);
// readMap of "AREA1.csv" in the current folder, then the row index at column 70 of the console's
// first line.
void loadMap(GameState& g);

} // namespace shooter
