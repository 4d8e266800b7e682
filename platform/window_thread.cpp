// The window thread: it starts the video system, creates the window, and then serves events and
// the requests other threads queue for it until the process ends.
#include "platform/gamepad.hpp"
#include "platform/keys.hpp"
#include "platform/system.hpp"
#include "platform/window_internal.hpp"

#include <algorithm>
#include <cstdlib>

namespace platform::window::internal {

namespace {

// The longest the window thread waits before it looks at the display connection again.
constexpr int kWaitSliceMs = 100;

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

// One close request of the desktop. Without a handler the process ends at once; the program's
// own clean-up does not run.
void closeRequested() {
    if (!local().callbacks.closeRequested) exitProcess(0);
    local().callbacks.closeRequested();
}

void eventLoop() {
    SDL_Event e;
    for (;;) {
        // A safety net only: every wait ends after a while, and the next one reads the display
        // connection again, so an event that reached the connection without waking the wait is
        // still handled.
        if (!SDL_WaitEventTimeout(&e, kWaitSliceMs)) continue;
        if (gamepad::handleEvent(e)) continue;
        if (handlePointerEvent(e)) continue;
        if (e.type == shared().userEvent.load()) {
            switch (e.user.code) {
            case kPresent:
                // A paint since the request may have shown it already.
                if (shared().presentPending.exchange(false)) present();
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
            closeRequested();
            break;
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
            case SDL_WINDOWEVENT_CLOSE: {
                // The video library follows a window close of its last window with a quit, queued
                // at the same time: both are this one request.
                SDL_Event quit;
                SDL_PeepEvents(&quit, 1, SDL_GETEVENT, SDL_QUIT, SDL_QUIT);
                closeRequested();
                break;
            }
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
                releasePointer();
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                gamepad::setFocused(true);
                break;
            default:
                break;
            }
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            // The renderer lost its textures: the next present makes the texture anew.
            local().textureWidth = local().textureHeight = 0;
            paint();
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

// The scale the window starts at: the one asked for by hand, else the desktop's, lowered to what
// fits the work area.
void chooseStartScale() {
    Local& l = local();
    if (l.setup.scale > 0) {
        l.wantedScale = std::min(l.setup.scale, kMaxScale);
        l.fitWorkArea = false;
    } else {
        l.wantedScale =
            desktopScale(xftDpiFromResources(resourceDatabase(l.window)), std::getenv("GDK_SCALE"));
        l.fitWorkArea = true;
    }
}

void threadMain() {
    Shared& s = shared();
    Local& l = local();
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
    // cannot change it afterwards. Hidden until it has its name and size, which desktops read
    // when a window first shows. On a high-density display the renderer draws in the display's
    // own pixels.
    l.window = SDL_CreateWindow("BASIC PROMPT", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                kInitialClientWidth, kInitialClientHeight,
                                SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!l.window) {
        fail(std::string("the window cannot be created: ") + SDL_GetError());
        return;
    }
    // Before the window gets its name: a renderer may make the window anew for itself.
    if (!createRenderer(why)) {
        fail(why);
        return;
    }
    SDL_StopTextInput();
    setInstanceName(l.window, l.setup.instance);
    l.clientWidth = kInitialClientWidth;
    l.clientHeight = kInitialClientHeight;
    chooseStartScale();
    resizeToScale();
    SDL_ShowWindow(l.window);
    // Pads are a bonus: without them the window serves the keyboard alone.
    gamepad::start();
    if (l.callbacks.created) l.callbacks.created(screenWidth, screenHeight, l.clientWidth, l.clientHeight);
    s.state.store(State::Open);
    paint();
    eventLoop();
}

} // namespace

Shared& shared() {
    static Shared* s = new Shared;
    return *s;
}

Local& local() {
    static Local* l = new Local; // never destroyed, like Shared
    return *l;
}

bool pushUserEvent(int32_t code) {
    SDL_Event e{};
    e.type = shared().userEvent.load();
    e.user.code = code;
    return SDL_PushEvent(&e) == 1;
}

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

} // namespace platform::window::internal

namespace platform::window {

void start(Callbacks callbacks, PresentSource presentSource, Setup setup) {
    using namespace internal;
    Shared& s = shared();
    State expected = State::NotStarted;
    if (!s.state.compare_exchange_strong(expected, State::Starting)) return;
    // Read by the video system when it starts, before any other thread can look at the environment.
    // X11 gets the class from here (the instance is set on the window itself); Wayland its
    // application id, which desktops match with the menu entry of the same name.
    setenv("SDL_VIDEO_X11_WMCLASS", "PROMPT", 1);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", setup.instance.c_str(), 1);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Where the view is drawn on the processor, it is drawn into the window's own shared memory,
    // not into a texture of a renderer standing in for it.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    Local& l = local();
    l.callbacks = std::move(callbacks);
    l.present = std::move(presentSource);
    l.setup = std::move(setup);
    std::thread thread(threadMain);
    // The thread runs until the process ends (or ends early when no window can be opened).
    thread.detach();
}

State state() {
    return internal::shared().state.load();
}

std::string failureReason() {
    std::lock_guard lock(internal::shared().mutex);
    return internal::shared().failure;
}

} // namespace platform::window
