#pragma once
// Start-up steps of the game: the wait rounding, the final title and the starting background.
#include "runtime/core/rtstring.hpp"
#include "shooter/game_state.hpp"
#include "shooter/pictures.hpp"

namespace shooter {

// The measured wait becomes whole milliseconds: below 0.5 none, otherwise one more than its
// floor (0.5 gives 1, 3.2 gives 4).
void roundFrameWait(GameState& g);

// The title the window keeps while the game runs, with the speed factor and the wait (CP932).
rt::RtString gameTitle(const GameState& g);

// The screen picture and then the background picture become 512 x 474 copies of the window's
// graphics from (0, 0).
void captureScreens(GamePictures& p);
// The starting ground: tile 6 over rows 0..27 of the screen picture (its bottom 26 pixel rows keep
// what was captured there), then shown in the window at (0, 0).
void layBackground(GamePictures& p);

} // namespace shooter
