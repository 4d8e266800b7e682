#pragma once
// The virtual-key codes: the one list of the numbers keys reach the programs as, whoever pressed
// them (the keyboard, a game controller, a test). They follow the original platform's codes.
#include <cstdint>

namespace platform::keys {

inline constexpr int kBackspace = 8, kTab = 9, kClear = 12, kReturn = 13; // both Enter keys
inline constexpr int kShift = 16, kControl = 17, kMenu = 18, kPause = 19, kCapsLock = 20;
inline constexpr int kEscape = 27, kSpace = 32;
inline constexpr int kPageUp = 33, kPageDown = 34, kEnd = 35, kHome = 36;
inline constexpr int kLeft = 37, kUp = 38, kRight = 39, kDown = 40;
inline constexpr int kPrintScreen = 44, kInsert = 45, kDelete = 46;
inline constexpr int kDigit0 = 0x30;  // the digits 0x30-0x39, as their characters
inline constexpr int kLetterA = 0x41; // the letters 0x41-0x5A, as their upper-case characters
inline constexpr int kLeftWindows = 91, kRightWindows = 92, kApplication = 93;
// The keypad: its digits while NumLock is on (while it is off they are the navigation keys
// printed on them, and its decimal point Delete), and its operators.
inline constexpr int kNumpad0 = 96; // 96-105
inline constexpr int kMultiply = 106, kAdd = 107, kSubtract = 109, kDecimal = 110, kDivide = 111;
inline constexpr int kF1 = 112; // F1-F12: 112-123
inline constexpr int kF10 = 121;
inline constexpr int kNumLock = 144, kScrollLock = 145;
// The keys beside the letters, named by what they carry on a US layout.
inline constexpr int kSemicolon = 0xBA, kPlus = 0xBB, kComma = 0xBC, kMinus = 0xBD, kPeriod = 0xBE;
inline constexpr int kSlash = 0xBF, kGrave = 0xC0, kLeftBracket = 0xDB, kBackslash = 0xDC;
inline constexpr int kRightBracket = 0xDD, kApostrophe = 0xDE;

// 'A'..'Z' -> its key.
constexpr int letter(char upperCase) {
    return kLetterA + (upperCase - 'A');
}
// 0..9 -> the digit key above the letters, or on the keypad.
constexpr int digit(int n) {
    return kDigit0 + n;
}
constexpr int numpad(int n) {
    return kNumpad0 + n;
}
// 1..12 -> F1..F12.
constexpr int functionKey(int n) {
    return kF1 + n - 1;
}

// Ctrl and Shift as they were held when a key went down, as bits.
inline constexpr uint8_t kModifierCtrl = 1, kModifierShift = 2;

} // namespace platform::keys
