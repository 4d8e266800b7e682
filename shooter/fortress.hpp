#pragma once
// The fortress in slot 53: descends from above the top edge, hovers firing from four gun points,
// then rises out of sight; once the bomb has destroyed it, it lies on the ground and scrolls away.
#include "shooter/game_state.hpp"

namespace shooter {

void moveFortress(GameState& g);
// One frame in ten on average, one of the four guns fires; the usual bullet offset is restored.
void fortressFire(GameState& g);

} // namespace shooter
