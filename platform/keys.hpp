#pragma once
// The asynchronous key-state table: one entry per virtual-key code, written by the window
// thread from key-down and key-up events and read lock-free by the program.
#include <cstdint>

namespace platform::keys {

// Virtual-key codes the programs use (letters are 0x41-0x5A, digits 0x30-0x39).
inline constexpr int kBack = 8, kTab = 9, kReturn = 13, kEscape = 27, kSpace = 32;
inline constexpr int kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kDelete = 46;
inline constexpr int kControl = 17, kMenu = 18, kNumpad0 = 96, kDecimal = 110, kF1 = 112, kF10 = 121;

void setKeyDown(int vk, bool down);
bool isKeyDown(int vk);
// Every key up (the window lost the focus, or a test starts afresh).
void releaseAll();

} // namespace platform::keys
