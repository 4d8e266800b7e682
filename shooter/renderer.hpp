#pragma once
// The frame renderer: every live slot drawn as a sprite over the background (its mask with AND,
// then its picture with OR, so the sprite's black lets the ground show through), the frame shown
// in the window, and the background scrolled down with a new map row coming in at the top.
#include "shooter/game_state.hpp"
#include "shooter/pictures.hpp"

namespace shooter {

// The frame is shown 14 pixels up: rows 0..13 of the screen picture, where new map rows are
// drawn and the scroll leaves stale lines, are never seen.
inline constexpr int32_t kViewOffsetY = -14;

// Draws one slot into screenPicture at its position truncated toward zero. A kind outside 1..30
// or a frame outside 1..3 draws nothing.
void drawSlot(const GameState& g, GamePictures& p, int slot);
// Sprites from slot 100 down to 0 (lower slots on top, the ship last), present, scroll by
// speedFactor, draw the due map row at y 0 and start its ground objects, keep the background.
void renderFrame(GameState& g, GamePictures& p);
// The background the next frame is drawn on, row 0 at the top of the playfield (the ring of rows
// it is kept as, unrolled).
platform::pixels::Bitmap backgroundRows(GamePictures& p);

} // namespace shooter
