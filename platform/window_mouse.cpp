// The pointer and the clipboard. Pointer events come in the desktop's points; the program hears
// them at its own pixels, through the inverse of the placement that shows its picture, whatever
// the view's scale, the fullscreen view or the window's size. The clipboard belongs to the video
// system, so it too is the window thread's.
#include "platform/window_internal.hpp"

#include <algorithm>

namespace platform::window {

namespace {

int64_t floorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

ProgramPoint programPointOfPointer(const Placement& placement, int32_t clientWidth, int32_t clientHeight,
                                   int32_t windowWidth, int32_t windowHeight, int32_t drawableWidth,
                                   int32_t drawableHeight, int32_t pointX, int32_t pointY) {
    // A window of no size yet (or a driver that reports none) has as many pixels as points.
    const auto toView = [](int32_t v, int32_t points, int32_t pixels) {
        if (points <= 0 || pixels <= 0) return v;
        return static_cast<int32_t>(floorDiv(int64_t{v} * pixels, points));
    };
    return programPoint(placement, clientWidth, clientHeight, toView(pointX, windowWidth, drawableWidth),
                        toView(pointY, windowHeight, drawableHeight));
}

bool setClipboardText(const std::string& utf8) {
    bool ok = false;
    internal::runOnWindowThread([&] { ok = SDL_SetClipboardText(utf8.c_str()) == 0; });
    return ok;
}

std::optional<std::string> clipboardText() {
    std::optional<std::string> text;
    internal::runOnWindowThread([&] {
        if (!SDL_HasClipboardText()) return;
        char* got = SDL_GetClipboardText();
        if (got && *got) text = std::string(got);
        SDL_free(got);
    });
    return text;
}

} // namespace platform::window

namespace platform::window::internal {

namespace {

// The buttons held as the window has heard them, and where the pointer was last (window thread).
uint8_t heldButtons = 0;
int32_t lastX = 0, lastY = 0;

void tell(PointerEvent::Kind kind, uint8_t button, int32_t windowX, int32_t windowY, int32_t wheel) {
    Local& l = local();
    lastX = windowX;
    lastY = windowY;
    if (!l.callbacks.pointer) return;
    int32_t ww = 0, wh = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(l.window, &ww, &wh);
    SDL_GetWindowSizeInPixels(l.window, &dw, &dh);
    const ProgramPoint p = programPointOfPointer(viewPlacement(dw, dh), l.clientWidth, l.clientHeight, ww, wh,
                                                 dw, dh, windowX, windowY);
    PointerEvent e;
    e.kind = kind;
    e.button = button;
    e.held = heldButtons;
    e.x = p.x;
    e.y = p.y;
    e.wheel = wheel;
    l.callbacks.pointer(e);
}

uint8_t bitOf(uint8_t button) {
    return static_cast<uint8_t>(1u << (button - 1));
}

} // namespace

bool handlePointerEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const uint8_t button = e.button.button;
        if (button < SDL_BUTTON_LEFT || button > SDL_BUTTON_RIGHT) return true; // the side buttons
        const bool down = e.type == SDL_MOUSEBUTTONDOWN;
        // A release of a button never heard going down (pressed before the window had the
        // focus) means nothing.
        if (!down && (heldButtons & bitOf(button)) == 0) return true;
        heldButtons = down ? heldButtons | bitOf(button) : heldButtons & ~bitOf(button);
        tell(down ? PointerEvent::Kind::Press : PointerEvent::Kind::Release, button, e.button.x, e.button.y,
             0);
        return true;
    }
    case SDL_MOUSEMOTION:
        // Only drags matter to the programs: a pointer passing over the window is not told.
        if (heldButtons != 0) tell(PointerEvent::Kind::Move, 0, e.motion.x, e.motion.y, 0);
        return true;
    case SDL_MOUSEWHEEL: {
        const int32_t notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (notches != 0) tell(PointerEvent::Kind::Wheel, 0, e.wheel.mouseX, e.wheel.mouseY, notches);
        return true;
    }
    default:
        return false;
    }
}

void releasePointer() {
    for (uint8_t button = SDL_BUTTON_LEFT; button <= SDL_BUTTON_RIGHT; ++button) {
        if ((heldButtons & bitOf(button)) == 0) continue;
        heldButtons = static_cast<uint8_t>(heldButtons & ~bitOf(button));
        tell(PointerEvent::Kind::Release, button, lastX, lastY, 0);
    }
}

} // namespace platform::window::internal

namespace platform::window {

void injectPointer(PointerEvent::Kind kind, uint8_t button, int32_t windowX, int32_t windowY, int32_t wheel) {
    if (internal::shared().state.load() != State::Open) return;
    SDL_Event e{};
    switch (kind) {
    case PointerEvent::Kind::Press:
    case PointerEvent::Kind::Release:
        e.type = kind == PointerEvent::Kind::Press ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.button = button;
        e.button.state = kind == PointerEvent::Kind::Press ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = windowX;
        e.button.y = windowY;
        break;
    case PointerEvent::Kind::Move:
        e.type = SDL_MOUSEMOTION;
        e.motion.x = windowX;
        e.motion.y = windowY;
        break;
    case PointerEvent::Kind::Wheel:
        e.type = SDL_MOUSEWHEEL;
        e.wheel.y = wheel;
        e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
        e.wheel.mouseX = windowX;
        e.wheel.mouseY = windowY;
        break;
    }
    SDL_PushEvent(&e);
    flush();
}

} // namespace platform::window
