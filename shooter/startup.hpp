#pragma once
// Start-up steps of the game that need no pictures: the wait rounding and the final title.
#include "runtime/core/rtstring.hpp"
#include "shooter/game_state.hpp"

namespace shooter {

// The measured wait becomes whole milliseconds: below 0.5 none, otherwise one more than its
// floor (0.5 gives 1, 3.2 gives 4).
void roundFrameWait(GameState& g);

// The title the window keeps while the game runs, with the speed factor and the wait (CP932).
rt::RtString gameTitle(const GameState& g);

} // namespace shooter
