#pragma once
// Texts a program lays over its window's picture for a while: that the game is paused or muted,
// that the window's picture was saved. They are drawn where the picture is presented, never into
// the client framebuffer, the back buffer or the text grid: what the program drew (and every hash
// of it) stays as it was, and nothing has to be put back when they go.
#include "platform/screenshot.hpp"
#include "platform/window.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace prompt {

// Shows the lines of CP932 text over the picture, the first with its top left at (x, y) of the
// client area, one text row each, white on black (each line's own cells only). For ms
// milliseconds, or until hidden when ms <= 0. One overlay a slot: showing again replaces it.
void promptShowOverlay(int32_t slot, int32_t x, int32_t y, const std::vector<std::string>& cp932Lines,
                       int32_t ms = 0);
void promptHideOverlay(int32_t slot);

// Where the window's own notices go (a saved picture): the top left, and how many text cells
// across and rows down they may take. A longer line wraps, lines beyond the last row are left out.
// Until a program sets it: the top left corner, 80 cells across, 4 rows.
void promptSetNoticeArea(int32_t x, int32_t y, int32_t columns, int32_t rows);
// How long a notice stays.
inline constexpr int32_t kNoticeMs = 4000;
// Shows the notice (CP932 lines) in the notice area for kNoticeMs.
void promptShowNotice(const std::vector<std::string>& cp932Lines);
// What the notice of F12 says (CP932): where the picture went (the home folder as "～"), or why
// it did not.
std::vector<std::string> pictureNotice(const platform::screenshot::Saved& saved);

// Lays the overlays shown now over an area of the client area as the window presents it:
// destination holds the area's first pixel, rows pitch pixels apart, in the given order.
void drawOverlays(uint32_t* destination, int32_t pitch, platform::window::Area area,
                  platform::pixels::Order order);
// Where overlays came, went or changed since the last call (in client pixels), forgotten in the
// same step: what the window must present anew.
platform::window::Area takeOverlayChanges();

// CP932 text cut into lines of at most `columns` bytes: after the line's last space or slash, else
// after its last dash or underscore, else where it is full, never inside a double-byte character;
// at least one line.
std::vector<std::string> wrapText(std::string_view cp932, int32_t columns);

} // namespace prompt
