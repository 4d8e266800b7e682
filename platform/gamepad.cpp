#include "platform/gamepad.hpp"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace platform::gamepad {

uint32_t heldKeys(const PadState& s) {
    const bool held[kPadKeyCount] = {
        s.dpadLeft || s.stickX <= -kStickThreshold,
        s.dpadUp || s.stickY <= -kStickThreshold,
        s.dpadRight || s.stickX >= kStickThreshold,
        s.dpadDown || s.stickY >= kStickThreshold,
        s.south,
        s.east,
    };
    uint32_t bits = 0;
    for (int i = 0; i < kPadKeyCount; ++i)
        if (held[i]) bits |= uint32_t{1} << i;
    return bits;
}

namespace {

struct Pad {
    SDL_GameController* controller = nullptr; // null: the slot is free
    SDL_JoystickID id = -1;
};

// Window-thread state; never destroyed, like the window's own.
struct Pads {
    bool started = false;
    // Until the desktop says otherwise the window counts as focused: some video drivers never say.
    bool focused = true;
    std::array<Pad, keys::kMaxPads> slots{};
    std::vector<std::pair<SDL_JoystickID, SDL_Joystick*>> virtuals;
};
Pads& pads() {
    static Pads* p = new Pads;
    return *p;
}

int slotOf(SDL_JoystickID id) {
    for (int i = 0; i < keys::kMaxPads; ++i)
        if (pads().slots[static_cast<size_t>(i)].controller && pads().slots[static_cast<size_t>(i)].id == id)
            return i;
    return -1;
}

PadState readState(SDL_GameController* c) {
    const auto button = [c](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(c, b) != 0; };
    PadState s;
    s.dpadLeft = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    s.dpadUp = button(SDL_CONTROLLER_BUTTON_DPAD_UP);
    s.dpadRight = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    s.dpadDown = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    s.south = button(SDL_CONTROLLER_BUTTON_A);
    s.east = button(SDL_CONTROLLER_BUTTON_B);
    s.stickX = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX);
    s.stickY = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY);
    return s;
}

// The pad's keys follow its present state (read afresh, so a missed event is made good by the
// next one); every key is written, so nothing depends on what the table held before.
void apply(int slot) {
    const Pad& p = pads().slots[static_cast<size_t>(slot)];
    const uint32_t held = p.controller && pads().focused ? heldKeys(readState(p.controller)) : 0;
    for (int i = 0; i < kPadKeyCount; ++i)
        keys::setKeyHeld(kPadKeys[i], keys::padHolder(slot), (held >> i & 1u) != 0);
}

void added(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    // A pad present at the start can be announced twice.
    if (id < 0 || slotOf(id) >= 0) return;
    auto& slots = pads().slots;
    const auto free = std::find_if(slots.begin(), slots.end(), [](const Pad& p) { return !p.controller; });
    if (free == slots.end()) return; // more pads than holders: the extra ones are not heard
    SDL_GameController* c = SDL_GameControllerOpen(deviceIndex);
    if (!c) return;
    *free = {c, id};
    apply(static_cast<int>(free - slots.begin()));
}

void removed(SDL_JoystickID id) {
    const int slot = slotOf(id);
    if (slot < 0) return;
    Pad& p = pads().slots[static_cast<size_t>(slot)];
    SDL_GameControllerClose(p.controller);
    p = {};
    keys::releaseHolder(keys::padHolder(slot));
}

SDL_Joystick* virtualPad(int32_t pad) {
    for (const auto& [id, joystick] : pads().virtuals)
        if (id == pad) return joystick;
    return nullptr;
}

} // namespace

bool start() {
    Pads& p = pads();
    if (p.started) return true;
    // The window's focus decides what the pads hold (setFocused), not the library's own idea of
    // it, which some video drivers never set.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // South and east by position, whatever the maker printed on the buttons.
    SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
    p.started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    return p.started;
}

bool handleEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
        added(e.cdevice.which);
        return true;
    case SDL_CONTROLLERDEVICEREMOVED:
        removed(e.cdevice.which);
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        if (const int slot = slotOf(e.cbutton.which); slot >= 0) apply(slot);
        return true;
    case SDL_CONTROLLERAXISMOTION:
        if (const int slot = slotOf(e.caxis.which); slot >= 0) apply(slot);
        return true;
    default:
        return false;
    }
}

void setFocused(bool focused) {
    pads().focused = focused;
    for (int i = 0; i < keys::kMaxPads; ++i)
        if (pads().slots[static_cast<size_t>(i)].controller) apply(i);
}

int32_t attachVirtualPad() {
    if (!pads().started) return -1;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    // Every button and axis: the joystick's numbers are then the controller's.
    desc.button_mask = (uint32_t{1} << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.axis_mask = (uint32_t{1} << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.name = "virtual pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return -1;
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (!joystick) {
        SDL_JoystickDetachVirtual(index);
        return -1;
    }
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
    pads().virtuals.emplace_back(id, joystick);
    return id;
}

void setVirtualInput(int32_t pad, Input input, int32_t value) {
    SDL_Joystick* j = virtualPad(pad);
    if (!j) return;
    const auto button = [&](SDL_GameControllerButton b) {
        SDL_JoystickSetVirtualButton(j, b, value ? 1 : 0);
    };
    const auto axis = [&](SDL_GameControllerAxis a) {
        SDL_JoystickSetVirtualAxis(j, a, static_cast<Sint16>(std::clamp(value, -32768, 32767)));
    };
    switch (input) {
    case Input::DpadLeft:
        button(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
        break;
    case Input::DpadUp:
        button(SDL_CONTROLLER_BUTTON_DPAD_UP);
        break;
    case Input::DpadRight:
        button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
        break;
    case Input::DpadDown:
        button(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
        break;
    case Input::South:
        button(SDL_CONTROLLER_BUTTON_A);
        break;
    case Input::East:
        button(SDL_CONTROLLER_BUTTON_B);
        break;
    case Input::StickX:
        axis(SDL_CONTROLLER_AXIS_LEFTX);
        break;
    case Input::StickY:
        axis(SDL_CONTROLLER_AXIS_LEFTY);
        break;
    }
    // The new values become events now, not at the event loop's next look.
    SDL_JoystickUpdate();
}

void detachVirtualPad(int32_t pad) {
    auto& v = pads().virtuals;
    const auto it = std::find_if(v.begin(), v.end(), [pad](const auto& e) { return e.first == pad; });
    if (it == v.end()) return;
    SDL_JoystickClose(it->second);
    v.erase(it);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == pad) {
            SDL_JoystickDetachVirtual(i);
            break;
        }
    }
}

} // namespace platform::gamepad
