#pragma once
// Game controllers as a second keyboard for the game: the d-pad and the left stick hold the arrow
// keys, the south button X (shot) and the east button Z (bomb). They only feed the key-state table
// (keys.hpp), each pad as a holder of its own; they never reach the key latch, so a pad cannot
// answer a prompt. Pads come and go while the program runs.
#include "platform/keys.hpp"

#include <cstdint>

union SDL_Event;

namespace platform::gamepad {

// The stick's dead zone: an axis presses its direction from a third of its travel on
// (|value| >= 10923 of 32767), and nothing below. No hysteresis: the keys follow the stick's
// position alone, so the same position always gives the same keys.
inline constexpr int kStickThreshold = 10923;

// The inputs of one pad that mean something to the game. Stick axes run -32768..32767, negative
// to the left and up.
struct PadState {
    bool dpadLeft = false, dpadUp = false, dpadRight = false, dpadDown = false;
    bool south = false, east = false;
    int16_t stickX = 0, stickY = 0;
};

// The keys a pad can hold, in the bit order of heldKeys.
inline constexpr int kPadKeys[] = {keys::kLeft, keys::kUp, keys::kRight, keys::kDown, keys::letter('X'),
                                    keys::letter('Z')};
inline constexpr int kPadKeyCount = 6;

// The keys the pad holds in this state: bit i set means kPadKeys[i] is held.
uint32_t heldKeys(const PadState& state);

// The rest runs on the window thread only, which owns the video library and its events.

// Starts the game-controller subsystem; false (and no pads) when it cannot start.
bool start();
// Handles a controller event (device added or removed, button, axis); false for other events.
bool handleEvent(const SDL_Event& event);
// The window gained or lost the focus. Without it the pads hold nothing (the caller releases
// the key-state table); with it back, what the pads hold now is pressed again.
void setFocused(bool focused);

// Pads that exist only in software, plugged in as a real pad would be (for tests). Each call
// returns with the events it caused queued; the caller lets the event loop handle them.
// attachVirtualPad returns the pad's id, or -1 when none can be made.
enum class Input { DpadLeft, DpadUp, DpadRight, DpadDown, South, East, StickX, StickY };
int32_t attachVirtualPad();
// Buttons take 0 or 1, stick axes -32768..32767.
void setVirtualInput(int32_t pad, Input input, int32_t value);
void detachVirtualPad(int32_t pad);

} // namespace platform::gamepad
