#pragma once
// What the game reads before its first frame: the map (AREA1.csv into mapCells and lastRow) and
// its pictures (every sprite with the mask that makes its black transparent, and the tiles).
#include "shooter/game_state.hpp"
#include "shooter/pictures.hpp"

#include <string>

namespace shooter {

// Reads the map file in the game's layout. A missing, unreadable or empty file (no complete row)
// becomes one empty row, lastRow 0, so that the frame loop still runs and waits every frame.
void readMap(GameState& g, const std::string& path);
// readMap of "AREA1.csv" in the current folder, then the row index at column 70 of the console's
// first line.
void loadMap(GameState& g);

// Binds every picture to the window, loads the 90 sprite files (all first frames, then all second,
// then all third) each with its mask, switches the sprites' pixel scans off and loads the ten
// tiles without a scan. Files are read relative to the current folder. A sprite or tile that
// cannot be loaded stays empty and draws nothing; everything else still loads.
void loadPictures(GamePictures& p);
// The mask of the sprite just loaded into maskSourcePicture, drawn pixel by pixel into the top-left
// corner of screenPicture (and so into the window's back buffer): white where the sprite is pure
// black, black elsewhere. Waits for the sprite's pixel table first.
void buildMask(GamePictures& p);

} // namespace shooter
