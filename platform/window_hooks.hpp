#pragma once
// What tests and tools reach in the window beyond what the programs use: what the window shows,
// read back; keys, game controllers and close requests made in software; and the mapping of the
// video library's key events, whose modifier bits (SDL's KMOD_ values) stay out of the programs.
#include "platform/gamepad.hpp"
#include "platform/pixels.hpp"
#include "platform/window.hpp"

#include <cstdint>
#include <string>

namespace platform::window {

// What the window shows now, read back from the window thread (for tests and tools).
std::string titleUtf8();
// Position and client size as the program set them (in the fullscreen view the position to come
// back to). The window asks for the client size times the scale; the size it has may differ.
struct Geometry {
    int32_t x = 0, y = 0, clientWidth = 0, clientHeight = 0;
    int32_t scale = 1;
    int32_t windowWidth = 0, windowHeight = 0; // as the window is now (the view's, in fullscreen)
    bool resizable = false;
    bool fullscreen = false;
};
Geometry geometry();
// The program's pixels as the window shows them now (read back from its renderer), in
// 0x00BBGGRR, at the client size: one pixel of each block, or of each share of a shrunk view
// (none of the black around the picture).
pixels::Bitmap presentedPixels();
// The window's whole view as it is (the renderer's output, in its own pixels), the enlargement
// and the black around the picture included.
pixels::Bitmap shownPixels();

// How many pictures the window has presented so far.
uint64_t presentCount();
// Presents the client framebuffer at once, as the window thread does when asked to: the seconds
// of processor time the window thread took for it, for benchmarks (-1 without an open window).
double presentTimed();

// The window given another size by someone else than the program, as a desktop does (a tiling
// one, or the user); waits until the window thread has seen the new size.
void resizeFromOutside(int32_t width, int32_t height);

// Maps a key event of the video library (scan code, key code, modifier state) to a virtual-key
// code; 0 when the key has none.
int virtualKeyFromEvent(int32_t scancode, int32_t keycode, uint16_t modifiers);
// Whether a key-down is a system key, which the desktop keeps for its own menus: Alt on either
// side, F10, and any key pressed while Alt is held without Ctrl (modifiers as in a key event).
bool isSystemKey(int vk, uint16_t modifiers);

// A key event as if it came from the keyboard: it takes the same path on the window thread
// (key-state table, then the keyDown callback for a key-down that is not a system key; Alt and
// Ctrl count as held while the key-state table has them down). Waits until it was handled.
void injectKey(int vk, bool down);
// A key event of the video library itself (scan code, key code, modifiers), put into its event
// queue as the keyboard would; waits until the window thread has handled it.
void injectKeyEvent(int32_t scancode, int32_t keycode, uint16_t modifiers, bool down);
// A game controller that exists only in software, plugged in as a real one would be: its id, or -1
// when none can be made (no open window, or no controller support). Setting an input (buttons 0
// or 1, stick axes -32768..32767, negative left and up) and unplugging wait until the window
// thread has handled what they caused.
int32_t attachVirtualPad();
void setVirtualPadInput(int32_t pad, gamepad::Input input, int32_t value);
void detachVirtualPad(int32_t pad);
// The desktop's close request as the video library reports it (a window close event, or a quit
// event); for tests of the close path. Returns at once.
void injectClose(bool quitEvent);
// A click on the close button as the video library reports it: a window close and then a quit,
// queued together. Returns at once.
void injectCloseButton();
// A pointer event as the video library reports it, at a point of the window (the desktop's
// points): a button (1 left, 2 middle, 3 right) going down or up, a move (button 0), or the wheel
// turned by wheel notches. Waits until the window thread has handled it.
void injectPointer(PointerEvent::Kind kind, uint8_t button, int32_t windowX, int32_t windowY,
                   int32_t wheel = 0);

} // namespace platform::window
