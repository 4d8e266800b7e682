// Keys: the video library's key events become virtual-key codes, system keys stay the desktop's,
// and every key takes one path into the key-state table and the program's keyDown callback.
#include "platform/keys.hpp"
#include "platform/window_internal.hpp"

namespace platform::window {

int virtualKeyFromEvent(int32_t scancode, int32_t keycode, uint16_t modifiers) {
    // Letters and digits follow the keyboard layout, as their virtual-key codes do.
    if (keycode >= SDLK_a && keycode <= SDLK_z) return 'A' + (keycode - SDLK_a);
    if (keycode >= SDLK_0 && keycode <= SDLK_9) return '0' + (keycode - SDLK_0);
    const bool numLock = (modifiers & KMOD_NUM) != 0;
    switch (scancode) {
    // The keypad gives digits while NumLock is on and the navigation keys printed on it while off.
    case SDL_SCANCODE_KP_0:
        return numLock ? 96 : 45;
    case SDL_SCANCODE_KP_1:
        return numLock ? 97 : 35;
    case SDL_SCANCODE_KP_2:
        return numLock ? 98 : 40;
    case SDL_SCANCODE_KP_3:
        return numLock ? 99 : 34;
    case SDL_SCANCODE_KP_4:
        return numLock ? 100 : 37;
    case SDL_SCANCODE_KP_5:
        return numLock ? 101 : 12;
    case SDL_SCANCODE_KP_6:
        return numLock ? 102 : 39;
    case SDL_SCANCODE_KP_7:
        return numLock ? 103 : 36;
    case SDL_SCANCODE_KP_8:
        return numLock ? 104 : 38;
    case SDL_SCANCODE_KP_9:
        return numLock ? 105 : 33;
    case SDL_SCANCODE_KP_PERIOD:
        return numLock ? 110 : 46;
    case SDL_SCANCODE_KP_MULTIPLY:
        return 106;
    case SDL_SCANCODE_KP_PLUS:
        return 107;
    case SDL_SCANCODE_KP_MINUS:
        return 109;
    case SDL_SCANCODE_KP_DIVIDE:
        return 111;
    case SDL_SCANCODE_KP_ENTER:
        return 13;
    case SDL_SCANCODE_RETURN:
        return 13;
    case SDL_SCANCODE_TAB:
        return 9;
    case SDL_SCANCODE_ESCAPE:
        return 27;
    case SDL_SCANCODE_BACKSPACE:
        return 8;
    case SDL_SCANCODE_SPACE:
        return 32;
    case SDL_SCANCODE_DELETE:
        return 46;
    case SDL_SCANCODE_INSERT:
        return 45;
    case SDL_SCANCODE_HOME:
        return 36;
    case SDL_SCANCODE_END:
        return 35;
    case SDL_SCANCODE_PAGEUP:
        return 33;
    case SDL_SCANCODE_PAGEDOWN:
        return 34;
    case SDL_SCANCODE_LEFT:
        return 37;
    case SDL_SCANCODE_UP:
        return 38;
    case SDL_SCANCODE_RIGHT:
        return 39;
    case SDL_SCANCODE_DOWN:
        return 40;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT:
        return 16;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL:
        return 17;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT:
        return 18;
    case SDL_SCANCODE_PAUSE:
        return 19;
    case SDL_SCANCODE_CAPSLOCK:
        return 20;
    case SDL_SCANCODE_NUMLOCKCLEAR:
        return 144;
    case SDL_SCANCODE_SCROLLLOCK:
        return 145;
    case SDL_SCANCODE_PRINTSCREEN:
        return 44;
    case SDL_SCANCODE_LGUI:
        return 91;
    case SDL_SCANCODE_RGUI:
        return 92;
    case SDL_SCANCODE_APPLICATION:
    case SDL_SCANCODE_MENU:
        return 93;
    case SDL_SCANCODE_SEMICOLON:
        return 0xBA;
    case SDL_SCANCODE_EQUALS:
        return 0xBB;
    case SDL_SCANCODE_COMMA:
        return 0xBC;
    case SDL_SCANCODE_MINUS:
        return 0xBD;
    case SDL_SCANCODE_PERIOD:
        return 0xBE;
    case SDL_SCANCODE_SLASH:
        return 0xBF;
    case SDL_SCANCODE_GRAVE:
        return 0xC0;
    case SDL_SCANCODE_LEFTBRACKET:
        return 0xDB;
    case SDL_SCANCODE_BACKSLASH:
        return 0xDC;
    case SDL_SCANCODE_RIGHTBRACKET:
        return 0xDD;
    case SDL_SCANCODE_APOSTROPHE:
        return 0xDE;
    default:
        break;
    }
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
        return 112 + (scancode - SDL_SCANCODE_F1);
    // A layout whose key has no letter or digit of its own still gives the key's position.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0) return '0';
    return 0;
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
    // The view's own keys (Alt+Enter, Alt+Plus, Alt+Minus) are the desktop's: the program hears
    // nothing of them.
    if (handleViewKey(vk, down, modifiers, repeat)) return;
    keys::setKeyDown(vk, down);
    if (down && !isSystemKey(vk, modifiers) && local().callbacks.keyDown) local().callbacks.keyDown(vk);
}

} // namespace platform::window::internal
