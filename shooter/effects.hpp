#pragma once
// Hit flashes where air enemies were shot down, and ground explosions that turn into wrecks.
#include "shooter/game_state.hpp"

namespace shooter {

void animateHitFlashes(GameState& g);
void animateWrecks(GameState& g);

} // namespace shooter
