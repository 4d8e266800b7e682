#include "platform/window.hpp"

#include "platform/cp932.hpp"
#include "platform/gamepad.hpp"
#include "platform/keys.hpp"
#include "platform/system.hpp"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform::window {

namespace {

// The size the window has before the program gives it its own.
constexpr int32_t kInitialClientWidth = 640;
constexpr int32_t kInitialClientHeight = 480;

// The longest the window thread waits before it looks at the display connection again.
constexpr int kWaitSliceMs = 100;

// Codes of the one user event type the window thread listens for.
enum UserCode : int32_t { kPresent = 1, kPaint = 2, kCommand = 3 };

struct Shared {
    std::atomic<State> state{State::NotStarted};
    std::atomic<bool> presentPending{false};
    std::atomic<bool> paintPending{false};
    std::atomic<uint32_t> userEvent{0};
    std::thread::id windowThread;

    std::mutex mutex; // guards everything below
    std::condition_variable changed;
    std::string failure;
    std::deque<std::function<void()>> commands;
    uint64_t queued = 0;
    uint64_t done = 0;
};

// Never destroyed: the window thread keeps running while the process exits.
Shared& shared() {
    static Shared* s = new Shared;
    return *s;
}

// Window-thread state; only the window thread touches it.
struct Local {
    SDL_Window* window = nullptr;
    Callbacks callbacks;
    PresentSource present;
    // The client size the program has; the fullscreen view keeps it.
    int32_t clientWidth = 0, clientHeight = 0;
    std::vector<uint32_t> staging;
    std::vector<uint32_t> view; // the fullscreen view's picture, at the surface's size
    bool fullscreen = false;
    // Back from the fullscreen view, until the window has the client size again: the sizes the
    // desktop reports meanwhile may still be the view's, and the program must not follow them.
    bool restoring = false;
    // The window as it was before the fullscreen view, and the settings made during it.
    int32_t windowedX = 0, windowedY = 0;
    bool resizable = false;
};
Local& local = *new Local; // never destroyed, like Shared

bool pushUserEvent(int32_t code) {
    SDL_Event e{};
    e.type = shared().userEvent.load();
    e.user.code = code;
    return SDL_PushEvent(&e) == 1;
}

// Runs fn on the window thread and waits for it; false when there is no open window.
bool runOnWindowThread(std::function<void()> fn) {
    Shared& s = shared();
    if (s.state.load() != State::Open) return false;
    if (std::this_thread::get_id() == s.windowThread) {
        fn();
        return true;
    }
    std::unique_lock lock(s.mutex);
    s.commands.push_back(std::move(fn));
    const uint64_t ticket = ++s.queued;
    lock.unlock();
    if (!pushUserEvent(kCommand)) {
        // The event queue is full; the command still runs with the next one that gets through.
        while (!pushUserEvent(kCommand)) std::this_thread::yield();
    }
    lock.lock();
    s.changed.wait(lock, [&] { return s.done >= ticket; });
    return true;
}

// Runs the oldest queued command. Each command comes with exactly one event, so commands keep
// their place among the other events (a key pushed before a flush is handled before it).
void runCommand() {
    Shared& s = shared();
    std::unique_lock lock(s.mutex);
    if (s.commands.empty()) return;
    std::function<void()> fn = std::move(s.commands.front());
    s.commands.pop_front();
    lock.unlock();
    fn();
    lock.lock();
    ++s.done;
    s.changed.notify_all();
}

size_t area(int32_t w, int32_t h) {
    return static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0));
}

// The program's w x h picture enlarged as placed into a vw x vh view of 32-bit pixels (row pitch
// in pixels), black around it.
void enlarge(const uint32_t* picture, int32_t w, int32_t h, uint32_t* view, int32_t pitch, int32_t vw,
             int32_t vh, const Placement& p) {
    const int32_t x0 = std::clamp(p.x, 0, vw), x1 = std::clamp(p.x + w * p.scale, x0, vw);
    const int32_t y0 = std::clamp(p.y, 0, vh), y1 = std::clamp(p.y + h * p.scale, y0, vh);
    for (int32_t y = 0; y < vh; ++y) {
        uint32_t* out = view + area(pitch, y);
        if (y < y0 || y >= y1 || x0 == x1) {
            std::fill_n(out, vw, 0u);
            continue;
        }
        std::fill_n(out, x0, 0u);
        std::fill(out + x1, out + vw, 0u);
        if (y > y0 && (y - p.y) % p.scale != 0) {
            std::copy_n(out - pitch + x0, x1 - x0, out + x0); // the same row of the picture as above
            continue;
        }
        const uint32_t* in = picture + area(w, (y - p.y) / p.scale) + (x0 - p.x) / p.scale;
        for (int32_t x = x0, k = (x0 - p.x) % p.scale; x < x1; ++x) {
            out[x] = *in;
            if (++k == p.scale) k = 0, ++in;
        }
    }
}

void present() {
    SDL_Surface* surface = SDL_GetWindowSurface(local.window);
    if (!surface) return;
    const int32_t w = surface->w, h = surface->h;
    const std::vector<uint32_t>* pixels = &local.staging;
    if (local.fullscreen) {
        const int32_t cw = local.clientWidth, ch = local.clientHeight;
        local.staging.assign(area(cw, ch), 0);
        if (local.present) local.present(local.staging.data(), cw, ch, cw);
        const Placement placement = fullscreenPlacement(cw, ch, w, h);
        if (surface->format->BytesPerPixel == 4) {
            // Converted at the program's size and enlarged straight into the surface: a screen's
            // worth of conversion would cost several times more.
            local.view.resize(area(cw, ch));
            SDL_ConvertPixels(cw, ch, SDL_PIXELFORMAT_XBGR8888, local.staging.data(), cw * 4,
                              surface->format->format, local.view.data(), cw * 4);
            if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
            enlarge(local.view.data(), cw, ch, static_cast<uint32_t*>(surface->pixels), surface->pitch / 4, w,
                    h, placement);
            if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
            SDL_UpdateWindowSurface(local.window);
            return;
        }
        local.view.resize(area(w, h));
        enlarge(local.staging.data(), cw, ch, local.view.data(), w, w, h, placement);
        pixels = &local.view;
    } else {
        local.staging.assign(area(w, h), 0);
        if (local.present) local.present(local.staging.data(), w, h, w);
    }
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    // Our pixels are 0x00BBGGRR words: the library's XBGR8888.
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_XBGR8888, pixels->data(), w * 4, surface->format->format,
                      surface->pixels, surface->pitch);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(local.window);
}

void paint() {
    if (local.callbacks.paint) local.callbacks.paint(local.clientWidth, local.clientHeight);
    shared().presentPending.store(false);
    present();
}

void followWindowSize() {
    int w = 0, h = 0;
    SDL_GetWindowSize(local.window, &w, &h);
    const bool clientSize = w == local.clientWidth && h == local.clientHeight;
    if (local.fullscreen || local.restoring) {
        // The view's size is not the program's: the program repaints at its own size, as after
        // any change of the window's size, and the picture is placed anew.
        if (!local.fullscreen && clientSize) local.restoring = false;
        paint();
        return;
    }
    if (clientSize) return;
    local.clientWidth = w;
    local.clientHeight = h;
    paint();
}

void enterFullscreen() {
    const int display = std::max(SDL_GetWindowDisplayIndex(local.window), 0);
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(display, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0) return;
    if (!local.restoring) SDL_GetWindowPosition(local.window, &local.windowedX, &local.windowedY);
    local.fullscreen = true;
    // Where no window manager answers the fullscreen request (a bare X server), the borderless
    // window covering the display is the view; where one does, the request keeps the view above
    // the desktop's panels.
    SDL_SetWindowBordered(local.window, SDL_FALSE);
    SDL_SetWindowPosition(local.window, bounds.x, bounds.y);
    SDL_SetWindowSize(local.window, bounds.w, bounds.h);
    SDL_SetWindowFullscreen(local.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    paint();
}

void leaveFullscreen() {
    SDL_SetWindowFullscreen(local.window, 0);
    SDL_SetWindowBordered(local.window, SDL_TRUE);
    SDL_SetWindowResizable(local.window, local.resizable ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowSize(local.window, local.clientWidth, local.clientHeight);
    SDL_SetWindowPosition(local.window, local.windowedX, local.windowedY);
    local.fullscreen = false;
    local.restoring = true;
    followWindowSize();
}

// Alt+Enter (either Enter key) is the desktop's, like every key pressed with Alt.
bool isFullscreenToggle(int vk, uint16_t modifiers) {
    return vk == keys::kReturn && isSystemKey(vk, modifiers);
}

void handleKey(int vk, bool down, uint16_t modifiers, bool repeat) {
    if (vk <= 0 || vk > 255) return;
    if (down && isFullscreenToggle(vk, modifiers)) {
        // A held Alt+Enter toggles once.
        if (repeat) return;
        if (local.fullscreen)
            leaveFullscreen();
        else
            enterFullscreen();
        return;
    }
    keys::setKeyDown(vk, down);
    if (down && !isSystemKey(vk, modifiers) && local.callbacks.keyDown) local.callbacks.keyDown(vk);
}

std::string describeNoDisplay() {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland))
        return "there is no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    return "no display could be reached";
}

// Starts the video system. Without SDL_VIDEODRIVER only drivers that show a window to a person
// are tried; the offscreen and dummy drivers are for tests, which ask for them by name.
bool startVideo(std::string& why) {
    const char* forced = std::getenv("SDL_VIDEODRIVER");
    if (forced && *forced) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
        why = std::string("the video driver \"") + forced + "\" cannot start: " + SDL_GetError();
        return false;
    }
    std::string tried;
    for (const char* driver : {"x11", "wayland"}) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
        tried += std::string(tried.empty() ? "" : "; ") + driver + ": " + SDL_GetError();
    }
    why = describeNoDisplay() + " (" + tried + ")";
    return false;
}

void fail(std::string why) {
    Shared& s = shared();
    {
        std::lock_guard lock(s.mutex);
        s.failure = std::move(why);
    }
    s.state.store(State::Failed);
}

[[noreturn]] void closeWindow() {
    // Closing the window ends the process at once; the program's own clean-up does not run.
    exitProcess(0);
}

void eventLoop() {
    SDL_Event e;
    for (;;) {
        // A safety net only: every wait ends after a while, and the next one reads the display
        // connection again, so an event that reached the connection without waking the wait is
        // still handled.
        if (!SDL_WaitEventTimeout(&e, kWaitSliceMs)) continue;
        if (gamepad::handleEvent(e)) continue;
        if (e.type == shared().userEvent.load()) {
            switch (e.user.code) {
            case kPresent:
                shared().presentPending.store(false);
                present();
                break;
            case kPaint:
                shared().paintPending.store(false);
                paint();
                break;
            case kCommand:
                runCommand();
                break;
            default:
                break;
            }
            continue;
        }
        switch (e.type) {
        case SDL_QUIT:
            closeWindow();
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
            case SDL_WINDOWEVENT_CLOSE:
                closeWindow();
            case SDL_WINDOWEVENT_EXPOSED:
                paint();
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                followWindowSize();
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                // Key-ups while another window has the focus never reach us; the pads are not
                // heard until the focus comes back.
                gamepad::setFocused(false);
                keys::releaseAll();
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                gamepad::setFocused(true);
                break;
            default:
                break;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            handleKey(virtualKeyFromEvent(e.key.keysym.scancode, e.key.keysym.sym, e.key.keysym.mod),
                      e.type == SDL_KEYDOWN, e.key.keysym.mod, e.key.repeat != 0);
            break;
        default:
            break;
        }
    }
}

void threadMain() {
    Shared& s = shared();
    // Read by other threads only after they saw the state become Open.
    s.windowThread = std::this_thread::get_id();
    std::string why;
    if (!startVideo(why)) {
        fail(why);
        return;
    }
    const uint32_t userEvent = SDL_RegisterEvents(1);
    if (userEvent == static_cast<uint32_t>(-1)) {
        fail(std::string("no event type is left for the window: ") + SDL_GetError());
        return;
    }
    s.userEvent.store(userEvent);

    SDL_DisplayMode mode{};
    int32_t screenWidth = 1024, screenHeight = 768;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
        screenWidth = mode.w;
        screenHeight = mode.h;
    }
    // A fixed frame from the start: the programs make it fixed anyway, and some video drivers
    // cannot change it afterwards.
    local.window = SDL_CreateWindow("BASIC PROMPT", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                    kInitialClientWidth, kInitialClientHeight, SDL_WINDOW_SHOWN);
    if (!local.window) {
        fail(std::string("the window cannot be created: ") + SDL_GetError());
        return;
    }
    SDL_StopTextInput();
    int w = kInitialClientWidth, h = kInitialClientHeight;
    SDL_GetWindowSize(local.window, &w, &h);
    local.clientWidth = w;
    local.clientHeight = h;
    // Pads are a bonus: without them the window serves the keyboard alone.
    gamepad::start();
    if (local.callbacks.created) local.callbacks.created(screenWidth, screenHeight, w, h);
    s.state.store(State::Open);
    paint();
    eventLoop();
}

} // namespace

void start(Callbacks callbacks, PresentSource presentSource) {
    Shared& s = shared();
    State expected = State::NotStarted;
    if (!s.state.compare_exchange_strong(expected, State::Starting)) return;
    // Read by the video system when it starts, before any other thread can look at the environment.
    setenv("SDL_VIDEO_X11_WMCLASS", "PROMPT", 1);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // The window surface is plain shared memory: no GL context (and its driver threads) behind
    // it, and the window is not created a second time to give it one.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    local.callbacks = std::move(callbacks);
    local.present = std::move(presentSource);
    std::thread thread(threadMain);
    // The thread runs until the process ends (or ends early when no window can be opened).
    thread.detach();
}

State state() {
    return shared().state.load();
}

std::string failureReason() {
    std::lock_guard lock(shared().mutex);
    return shared().failure;
}

void setTitle(std::string_view cp932) {
    const std::string utf8 = cp932::toUtf8(cp932);
    runOnWindowThread([&] { SDL_SetWindowTitle(local.window, utf8.c_str()); });
}

void setIcon(const pixels::Bitmap& icon) {
    if (icon.empty()) return;
    runOnWindowThread([&] {
        std::vector<uint32_t> argb(icon.pixels.size());
        for (size_t i = 0; i < argb.size(); ++i) {
            const uint32_t c = icon.pixels[i];
            argb[i] = 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
        }
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(argb.data(), icon.width, icon.height, 32,
                                                                  icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (!surface) return;
        SDL_SetWindowIcon(local.window, surface);
        SDL_FreeSurface(surface);
    });
}

// In the fullscreen view the settings are kept for the window to come back to.
void setResizable(bool resizable) {
    runOnWindowThread([&] {
        local.resizable = resizable;
        if (!local.fullscreen) SDL_SetWindowResizable(local.window, resizable ? SDL_TRUE : SDL_FALSE);
    });
}

void setPosition(int32_t x, int32_t y) {
    runOnWindowThread([&] {
        local.windowedX = x;
        local.windowedY = y;
        if (!local.fullscreen) SDL_SetWindowPosition(local.window, x, y);
    });
}

void setClientSize(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return;
    runOnWindowThread([&] {
        if (!local.fullscreen) SDL_SetWindowSize(local.window, width, height);
        local.clientWidth = width;
        local.clientHeight = height;
        paint();
    });
}

void requestPresent() {
    Shared& s = shared();
    if (s.state.load() != State::Open) return;
    if (!s.presentPending.exchange(true) && !pushUserEvent(kPresent)) s.presentPending.store(false);
}

void requestPaint() {
    Shared& s = shared();
    if (s.state.load() != State::Open) return;
    if (!s.paintPending.exchange(true) && !pushUserEvent(kPaint)) s.paintPending.store(false);
}

void flush() {
    runOnWindowThread([] {});
}

std::optional<bool> showMessageBox(const std::string& utf8Caption, const std::string& utf8Text) {
    bool shown = false;
    if (!runOnWindowThread([&] {
            shown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, utf8Caption.c_str(), utf8Text.c_str(),
                                             nullptr) == 0;
        }))
        return std::nullopt;
    return shown;
}

std::string titleUtf8() {
    std::string title;
    runOnWindowThread([&] { title = SDL_GetWindowTitle(local.window); });
    return title;
}

Geometry geometry() {
    Geometry g;
    runOnWindowThread([&] {
        g.fullscreen = local.fullscreen;
        if (local.fullscreen) {
            g.x = local.windowedX;
            g.y = local.windowedY;
            g.clientWidth = local.clientWidth;
            g.clientHeight = local.clientHeight;
            g.resizable = local.resizable;
            return;
        }
        SDL_GetWindowPosition(local.window, &g.x, &g.y);
        SDL_GetWindowSize(local.window, &g.clientWidth, &g.clientHeight);
        g.resizable = (SDL_GetWindowFlags(local.window) & SDL_WINDOW_RESIZABLE) != 0;
    });
    return g;
}

namespace {
// The surface read back; on the window thread.
pixels::Bitmap readSurface() {
    SDL_Surface* surface = SDL_GetWindowSurface(local.window);
    if (!surface) return {};
    pixels::Bitmap out(surface->w, surface->h);
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels, surface->pitch,
                      SDL_PIXELFORMAT_XBGR8888, out.pixels.data(), surface->w * 4);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    return out;
}
} // namespace

pixels::Bitmap presentedPixels() {
    pixels::Bitmap out;
    runOnWindowThread([&] {
        pixels::Bitmap shown = readSurface();
        if (!local.fullscreen) {
            out = std::move(shown);
            return;
        }
        // The top-left pixel of each block; a part cut off by the screen reads black.
        const int32_t cw = local.clientWidth, ch = local.clientHeight;
        const Placement p = fullscreenPlacement(cw, ch, shown.width, shown.height);
        out = pixels::Bitmap(cw, ch, 0);
        for (int32_t y = 0; y < ch; ++y)
            for (int32_t x = 0; x < cw; ++x) {
                const int32_t sx = p.x + x * p.scale, sy = p.y + y * p.scale;
                if (sx >= 0 && sy >= 0 && sx < shown.width && sy < shown.height)
                    out.row(y)[x] = shown.row(sy)[sx];
            }
    });
    return out;
}

pixels::Bitmap shownPixels() {
    pixels::Bitmap out;
    runOnWindowThread([&] { out = readSurface(); });
    return out;
}

Placement fullscreenPlacement(int32_t clientWidth, int32_t clientHeight, int32_t screenWidth,
                              int32_t screenHeight) {
    if (clientWidth <= 0 || clientHeight <= 0) return {1, 0, 0};
    const int32_t scale = std::max(1, std::min(screenWidth / clientWidth, screenHeight / clientHeight));
    // Halved rounding down, also below zero: the odd pixel goes to the right or bottom.
    const auto half = [](int64_t v) { return static_cast<int32_t>(v >= 0 ? v / 2 : -((-v + 1) / 2)); };
    return {scale, half(int64_t{screenWidth} - int64_t{clientWidth} * scale),
            half(int64_t{screenHeight} - int64_t{clientHeight} * scale)};
}

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

void injectKey(int vk, bool down) {
    // Without modifier state of its own, Alt and Ctrl count as held while the key-state table has
    // them down.
    runOnWindowThread([=] {
        const uint16_t modifiers = (keys::isKeyDown(keys::kMenu) ? KMOD_LALT : 0) |
                                   (keys::isKeyDown(keys::kControl) ? KMOD_LCTRL : 0);
        handleKey(vk, down, modifiers, false);
    });
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
