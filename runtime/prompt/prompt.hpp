#pragma once
// The prompt window as the programs see it: starting and configuring it, the text operations
// (print, locate, clear) and key input through the key latch.
#include "platform/font.hpp"
#include "platform/pixels.hpp"
#include "platform/window.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/prompt/canvas.hpp"
#include "runtime/prompt/textgrid.hpp"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace prompt {

// Set to 1 by every repaint of the window; the program start waits for the first.
extern std::atomic<int32_t> promptReady;
// The last virtual-key code pressed; 0 when the program has taken it.
extern std::atomic<uint8_t> keyLatch;

// Program start: creates the window thread and waits (polling every 20 ms) for the window's first
// paint. When no window can be opened it says why on stderr and ends the process with code 1.
// The setup names the window for the desktop and may fix its scale (platform/window.hpp).
void promptStart(const platform::window::Setup& setup = {});
// The program's own settings, applied after the start: title (CP932), icon (the same picture in
// several sizes), a frame that cannot be resized, position (0, 0) and the client size.
void promptConfigure(std::string_view titleCp932, const std::vector<platform::pixels::Bitmap>& icons,
                     int32_t clientWidth, int32_t clientHeight);
void promptSetTitle(std::string_view titleCp932);

// Width of " " and the line height of the console font: the size of one text cell.
platform::font::CellSize cellSize();

// Writes the text (up to its first zero byte) at the cursor and draws the rows it touched on the
// window. Consumes the text.
void rtPrint(rt::RtString text);
// Moves the cursor: the column to 0..254, the row to 0..100. A shorter row is padded with
// transparent blanks up to the cursor. Draws nothing.
void rtLocate(int32_t column, int32_t row);
// 0 or 1: clear the text; 2: clear the graphics; 3: both; then repaint the window (every mode).
void rtCls(int32_t mode);
// Waits for n keys and returns their virtual-key codes as a new string; n <= 0 returns "" at once.
rt::RtString rtInputKeys(int32_t n);

// The modifiers (platform::keys::kModifierCtrl, kModifierShift) held when the last key
// rtInputKeys returned went down (judged at its key-down, so a key typed with Ctrl counts as such
// even when Ctrl is up by the time it is read).
uint8_t lastKeyModifiers();

// The desktop's close requests (close button, Alt+F4, a logout). A program that does not ask for
// them ends at once with exit code 0 when one comes, as the game does; one that asks gets each
// request once, as an event beside the key latch, and decides itself.
void promptTakeCloseRequests();
// The pointer's presses, drags, releases and wheel turns, in the program's own pixels. A program
// that asks for them gets every one, in order among its keys, as events beside the key latch; one
// that does not hears nothing of them (and nothing of them is kept).
void promptTakePointerEvents();
// What the program hears from its window while it waits: a key taken from the latch (with the
// modifiers held when it went down), a close request, a pointer event (with the modifiers held
// then), or nothing within the wait.
struct PromptEvent {
    enum class Kind { None, Key, Close, PointerDown, PointerMove, PointerUp, Wheel };
    Kind kind = Kind::None;
    uint8_t key = 0;
    uint8_t modifiers = 0;
    uint8_t button = 0;   // PointerDown, PointerUp: 1 left, 2 middle, 3 right
    int32_t x = 0, y = 0; // pointer events: the program's pixel under the pointer
    int32_t wheel = 0;    // Wheel: notches, positive away from the user
};
// Waits up to waitMs (at least one look) for a key, a pointer event or a close request, and hands
// out the oldest. A key taken here is gone from the latch as after rtInputKeys, and
// lastKeyModifiers tells its modifiers too. While the program lags behind a drag, moves waiting
// one after the other are merged (the path between them is a straight line).
PromptEvent promptWaitEvent(int32_t waitMs);

// The desktop's clipboard as text: put there (false when it could not be), and read back (nothing
// when it holds no text).
bool promptSetClipboard(const std::string& text);
std::optional<std::string> promptClipboard();

// The colours rtPrint gives the bytes it stores from now on (white on black at start).
void promptSetTextColours(platform::pixels::Colour foreground, platform::pixels::Colour background);

// Draws the text rows first..last (first == -1: every row) onto the client framebuffer over the
// graphics right of each row's text, scrolling the text up first while the cursor row lies below
// the client area. Call with the canvas locked.
void promptRender(CanvasLock& lock, int32_t first, int32_t last);
// The window's repaint: the back buffer onto the client framebuffer, every text row over it, then
// promptReady = 1. Runs on the window thread; tests and benchmarks may call it too.
void promptPaint();

} // namespace prompt
