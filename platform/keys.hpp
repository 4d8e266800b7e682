#pragma once
// The asynchronous key-state table: one entry per virtual-key code, written by the window
// thread from key-down and key-up events and read lock-free by the program.
//
// A key can be held by more than one source at once: the keyboard and each game controller.
// It is down while any of them holds it, so letting go of a pad's Left does not release a Left
// the keyboard still holds.
#include "platform/key_codes.hpp"

#include <cstdint>

namespace platform::keys {

// Who holds a key: the keyboard, or the game controller in slot 0..kMaxPads-1 (padHolder(slot)).
inline constexpr int kKeyboard = 0;
inline constexpr int kMaxPads = 31;
constexpr int padHolder(int slot) {
    return 1 + slot;
}

// The keyboard's key went down or up.
void setKeyDown(int vk, bool down);
// The holder (kKeyboard or padHolder(slot)) holds the key, or lets go of it.
void setKeyHeld(int vk, int holder, bool held);
bool isKeyDown(int vk);
// How often the key went down since the process started (auto-repeat not counted; a key taken by
// a second holder while the first holds it is no new press). A press shorter than the reader's
// look between two reads still counts. Wraps at 2^32.
uint32_t pressCount(int vk);
// Lets go of every key the holder holds (a game controller was unplugged).
void releaseHolder(int holder);
// Every key up, whoever held it (the window lost the focus, or a test starts afresh).
void releaseAll();

} // namespace platform::keys
