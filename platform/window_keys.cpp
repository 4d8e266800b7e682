// Keys: the video library's key events become virtual-key codes, system keys stay the desktop's,
// and every key takes one path into the key-state table and the program's keyDown callback.
#include "platform/keys.hpp"
#include "platform/window_internal.hpp"

namespace platform::window {

namespace {

// One row a key: its scan code, its virtual-key code, and the code it has while NumLock is off
// (the keypad's navigation keys; the same code for every other key).
struct KeyRow {
    SDL_Scancode scancode;
    int vk;
    int vkNumLockOff;
};

constexpr KeyRow key(SDL_Scancode scancode, int vk) {
    return {scancode, vk, vk};
}

using namespace keys;

constexpr KeyRow kKeyRows[] = {
    {SDL_SCANCODE_KP_0, numpad(0), kInsert},
    {SDL_SCANCODE_KP_1, numpad(1), kEnd},
    {SDL_SCANCODE_KP_2, numpad(2), kDown},
    {SDL_SCANCODE_KP_3, numpad(3), kPageDown},
    {SDL_SCANCODE_KP_4, numpad(4), kLeft},
    {SDL_SCANCODE_KP_5, numpad(5), kClear},
    {SDL_SCANCODE_KP_6, numpad(6), kRight},
    {SDL_SCANCODE_KP_7, numpad(7), kHome},
    {SDL_SCANCODE_KP_8, numpad(8), kUp},
    {SDL_SCANCODE_KP_9, numpad(9), kPageUp},
    {SDL_SCANCODE_KP_PERIOD, kDecimal, kDelete},
    key(SDL_SCANCODE_KP_MULTIPLY, kMultiply),
    key(SDL_SCANCODE_KP_PLUS, kAdd),
    key(SDL_SCANCODE_KP_MINUS, kSubtract),
    key(SDL_SCANCODE_KP_DIVIDE, kDivide),
    key(SDL_SCANCODE_KP_ENTER, kReturn),
    key(SDL_SCANCODE_RETURN, kReturn),
    key(SDL_SCANCODE_TAB, kTab),
    key(SDL_SCANCODE_ESCAPE, kEscape),
    key(SDL_SCANCODE_BACKSPACE, kBackspace),
    key(SDL_SCANCODE_SPACE, kSpace),
    key(SDL_SCANCODE_DELETE, kDelete),
    key(SDL_SCANCODE_INSERT, kInsert),
    key(SDL_SCANCODE_HOME, kHome),
    key(SDL_SCANCODE_END, kEnd),
    key(SDL_SCANCODE_PAGEUP, kPageUp),
    key(SDL_SCANCODE_PAGEDOWN, kPageDown),
    key(SDL_SCANCODE_LEFT, kLeft),
    key(SDL_SCANCODE_UP, kUp),
    key(SDL_SCANCODE_RIGHT, kRight),
    key(SDL_SCANCODE_DOWN, kDown),
    key(SDL_SCANCODE_LSHIFT, kShift),
    key(SDL_SCANCODE_RSHIFT, kShift),
    key(SDL_SCANCODE_LCTRL, kControl),
    key(SDL_SCANCODE_RCTRL, kControl),
    key(SDL_SCANCODE_LALT, kMenu),
    key(SDL_SCANCODE_RALT, kMenu),
    key(SDL_SCANCODE_PAUSE, kPause),
    key(SDL_SCANCODE_CAPSLOCK, kCapsLock),
    key(SDL_SCANCODE_NUMLOCKCLEAR, kNumLock),
    key(SDL_SCANCODE_SCROLLLOCK, kScrollLock),
    key(SDL_SCANCODE_PRINTSCREEN, kPrintScreen),
    key(SDL_SCANCODE_LGUI, kLeftWindows),
    key(SDL_SCANCODE_RGUI, kRightWindows),
    key(SDL_SCANCODE_APPLICATION, kApplication),
    key(SDL_SCANCODE_MENU, kApplication),
    key(SDL_SCANCODE_SEMICOLON, kSemicolon),
    key(SDL_SCANCODE_EQUALS, kPlus),
    key(SDL_SCANCODE_COMMA, kComma),
    key(SDL_SCANCODE_MINUS, kMinus),
    key(SDL_SCANCODE_PERIOD, kPeriod),
    key(SDL_SCANCODE_SLASH, kSlash),
    key(SDL_SCANCODE_GRAVE, kGrave),
    key(SDL_SCANCODE_LEFTBRACKET, kLeftBracket),
    key(SDL_SCANCODE_BACKSLASH, kBackslash),
    key(SDL_SCANCODE_RIGHTBRACKET, kRightBracket),
    key(SDL_SCANCODE_APOSTROPHE, kApostrophe),
};

// The rows above by scan code, and the keys that come in runs: F1-F12, and the letters and digits
// by their position (for a layout whose key has no letter or digit of its own).
struct KeyTable {
    KeyRow byScancode[SDL_NUM_SCANCODES]{};

    constexpr KeyTable() {
        for (int i = 0; i < 12; ++i) add(key(SDL_Scancode(SDL_SCANCODE_F1 + i), functionKey(1 + i)));
        for (int i = 0; i < 26; ++i) add(key(SDL_Scancode(SDL_SCANCODE_A + i), letter(char('A' + i))));
        for (int i = 0; i < 9; ++i) add(key(SDL_Scancode(SDL_SCANCODE_1 + i), digit(1 + i)));
        add(key(SDL_SCANCODE_0, digit(0)));
        for (const KeyRow& row : kKeyRows) add(row);
    }
    constexpr void add(const KeyRow& row) { byScancode[row.scancode] = row; }
};

constexpr KeyTable kKeyTable;

} // namespace

int virtualKeyFromEvent(int32_t scancode, int32_t keycode, uint16_t modifiers) {
    // Letters and digits follow the keyboard layout, as their virtual-key codes do.
    if (keycode >= SDLK_a && keycode <= SDLK_z) return letter(char('A' + (keycode - SDLK_a)));
    if (keycode >= SDLK_0 && keycode <= SDLK_9) return digit(keycode - SDLK_0);
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
    const KeyRow& row = kKeyTable.byScancode[scancode];
    return (modifiers & KMOD_NUM) != 0 ? row.vk : row.vkNumLockOff;
}

bool isSystemKey(int vk, uint16_t modifiers) {
    if (vk == keys::kF10) return true;
    // Alt together with Ctrl is AltGr on many layouts, which types characters: not a system key.
    return (vk == keys::kMenu || (modifiers & KMOD_ALT) != 0) && (modifiers & KMOD_CTRL) == 0;
}

} // namespace platform::window

namespace platform::window::internal {

void handleKey(int vk, bool down, uint16_t modifiers, bool repeat) {
    if (vk <= 0 || vk > 255) return;
    // The view's own keys (Alt+Enter, Alt+Plus, Alt+Minus) and F12 are the window's: the program
    // hears nothing of them.
    if (handleViewKey(vk, down, modifiers, repeat)) return;
    if (handleScreenshotKey(vk, down, repeat)) return;
    keys::setKeyDown(vk, down);
    if (down && !isSystemKey(vk, modifiers) && local().callbacks.keyDown) local().callbacks.keyDown(vk);
}

} // namespace platform::window::internal
