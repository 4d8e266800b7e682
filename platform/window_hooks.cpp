// Keys, game controllers and close requests made in software. Each takes the path its real
// counterpart takes on the window thread, so tests and tools can drive a window without a person.
#include "platform/gamepad.hpp"
#include "platform/keys.hpp"

#include "platform/window_internal.hpp"
#include <ctime>

namespace platform::window {

using internal::local;
using internal::runOnWindowThread;
using internal::shared;

void injectKey(int vk, bool down) {
    // Without modifier state of its own, Alt and Ctrl count as held while the key-state table has
    // them down.
    runOnWindowThread([=] {
        const uint16_t modifiers = (keys::isKeyDown(keys::kMenu) ? KMOD_LALT : 0) |
                                   (keys::isKeyDown(keys::kControl) ? KMOD_LCTRL : 0);
        internal::handleKey(vk, down, modifiers, false);
    });
}

uint64_t presentCount() {
    uint64_t count = 0;
    runOnWindowThread([&] { count = local().presents; });
    return count;
}

double presentTimed() {
    double seconds = -1;
    runOnWindowThread([&] {
        timespec start{}, end{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
        internal::present();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
        seconds = static_cast<double>(end.tv_sec - start.tv_sec) +
                  static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
    });
    return seconds;
}

void resizeFromOutside(int32_t width, int32_t height) {
    if (!runOnWindowThread([=] { SDL_SetWindowSize(local().window, width, height); })) return;
    flush();
}

void injectKeyEvent(int32_t scancode, int32_t keycode, uint16_t modifiers, bool down) {
    if (shared().state.load() != State::Open) return;
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    e.key.keysym.sym = keycode;
    e.key.keysym.mod = modifiers;
    SDL_PushEvent(&e);
    flush();
}

int32_t attachVirtualPad() {
    int32_t pad = -1;
    if (!runOnWindowThread([&] { pad = gamepad::attachVirtualPad(); })) return -1;
    flush();
    return pad;
}

void setVirtualPadInput(int32_t pad, gamepad::Input input, int32_t value) {
    if (!runOnWindowThread([&] { gamepad::setVirtualInput(pad, input, value); })) return;
    flush();
}

void detachVirtualPad(int32_t pad) {
    if (!runOnWindowThread([&] { gamepad::detachVirtualPad(pad); })) return;
    flush();
}

void injectClose(bool quitEvent) {
    if (shared().state.load() != State::Open) return;
    SDL_Event e{};
    if (quitEvent) {
        e.type = SDL_QUIT;
    } else {
        e.type = SDL_WINDOWEVENT;
        e.window.event = SDL_WINDOWEVENT_CLOSE;
    }
    SDL_PushEvent(&e);
}

} // namespace platform::window

namespace platform::window {

void injectCloseButton() {
    if (shared().state.load() != State::Open) return;
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    // Both in one go, as the video library queues them, so the window thread finds them together.
    SDL_Event both[2] = {close, quit};
    SDL_PeepEvents(both, 2, SDL_ADDEVENT, 0, 0);
}

} // namespace platform::window
