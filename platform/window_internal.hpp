#pragma once
// What the window's files share, and nothing outside platform/ includes: the state of the window
// thread, the queue through which other threads hand it their requests, and the steps each file
// offers the others.
//
//   window_thread.cpp  the thread: starting the video system, the event loop, the request queue
//   window.cpp         the requests other threads make: settings, repaints, reading back
//   window_view.cpp    what the window shows: the renderer, the program's picture placed in a window
//                      of any size, the fullscreen view, the keys that change them
//   window_scale.cpp   the scale chosen from the desktop's settings and the work area
//   window_x11.cpp     the window's identity on X11 (class, icons) and the X resource database
//   window_keys.cpp    key events to virtual-key codes, system keys, the path of a key
//   window_hooks.cpp   keys, controllers and close requests made in software, for tests
//   window_mouse.cpp   pointer events in the program's pixels; the clipboard
//   window_screenshot.cpp  F12: the program's picture saved as a PNG file
#include "platform/window.hpp"
#include "platform/window_hooks.hpp"

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform::window::internal {

// The client size the window has before the program gives it its own.
inline constexpr int32_t kInitialClientWidth = 640;
inline constexpr int32_t kInitialClientHeight = 480;

// Codes of the one user event type the window thread listens for.
enum UserCode : int32_t { kPresent = 1, kPaint = 2, kCommand = 3 };

// What other threads share with the window thread.
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
Shared& shared();

// The window thread's own state; only the window thread touches it (start() fills it in before
// the thread exists).
struct Local {
    SDL_Window* window = nullptr;
    Callbacks callbacks;
    PresentSource present;
    Setup setup;
    // The client size the program has; neither the window's scale nor the fullscreen view
    // changes it.
    int32_t clientWidth = 0, clientHeight = 0;
    // The window shows each program pixel as a scale x scale block. wantedScale is what the
    // desktop, --scale or the user's keys asked for; fitWorkArea lowers it to what fits the work
    // area (not for a --scale given by hand).
    int32_t scale = 1;
    int32_t wantedScale = 1;
    bool fitWorkArea = true;
    // What draws the view: the renderer and its streaming texture at the client size, in the
    // order of pixels the renderer takes without converting them itself.
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int32_t textureWidth = 0, textureHeight = 0;
    uint32_t textureFormat = SDL_PIXELFORMAT_XBGR8888;
    pixels::Order textureOrder = pixels::Order::Xbgr;
    // Where there is no GPU and the window has a buffer of its own, the view is written straight
    // into that buffer on the processor, in one pass, without a renderer: surface is the buffer
    // last drawn on, in surfaceOrder; band holds a few rows of the picture on their way to an
    // enlarged view, shrinkSource the whole picture for a view smaller than it.
    bool onSurface = false;
    SDL_Surface* surface = nullptr;
    pixels::Order surfaceOrder = pixels::Order::Xrgb;
    std::vector<uint32_t> band;
    pixels::Bitmap shrinkSource;
    // The window's own buffer (or the software renderer's, which draws into it) keeps what it
    // holds from one present to the next: there a present draws only what changed, while the
    // view drawn last (at viewWidth x viewHeight) is still whole.
    bool softwareRenderer = false;
    bool viewKept = false;
    int32_t viewWidth = 0, viewHeight = 0;
    uint64_t presents = 0; // how many the window has made
    bool fullscreen = false;
    // A window size this thread asked for and the desktop has not reported yet (0: none). Until
    // it comes, the sizes reported are the old ones, and the program must not follow them.
    int32_t awaitedWidth = 0, awaitedHeight = 0;
    // The window's place before the fullscreen view, and the settings made during it.
    int32_t windowedX = 0, windowedY = 0;
    // Made resizable by the program: the client area then follows the window's size.
    bool resizable = false;
};
Local& local();

bool pushUserEvent(int32_t code);
// Runs fn on the window thread and waits for it; false when there is no open window.
bool runOnWindowThread(std::function<void()> fn);

// window_view.cpp (window thread)
// Makes what draws the window's view, the window's own buffer or a renderer (before the window is
// shown); false, with the reason, when there is neither.
bool createRenderer(std::string& why);
// The program draws its whole client area, which is then presented.
void paint();
// Presents the program's picture as the window shows it.
void present();
// The desktop reported a new window size.
void followWindowSize();
// Gives the window the size that shows the client area at the current scale (not in the
// fullscreen view).
void resizeToScale();
// Alt+Enter, Alt+Plus, Alt+Minus: true when the key was one of them and has been handled.
bool handleViewKey(int vk, bool down, uint16_t modifiers, bool repeat);
// Where the program's picture lies in a view (the renderer's output, in its own pixels) of the
// given size: windowPlacement, whatever made the window that size.
Placement viewPlacement(int32_t viewWidth, int32_t viewHeight);
// The whole view as the window shows it now, read back from the renderer, in 0x00BBGGRR.
pixels::Bitmap readView();

// window_scale.cpp (window thread)
// Room for the window on its display: the work area, less the frame where the desktop has told it.
void workArea(int32_t& width, int32_t& height);

// window_keys.cpp (window thread)
// A key event's path: the view's keys, else the key-state table and the keyDown callback.
void handleKey(int vk, bool down, uint16_t modifiers, bool repeat);

// window_mouse.cpp (window thread)
// A pointer event of the video library to the program: true when the event was one (handled).
bool handlePointerEvent(const SDL_Event& e);
// The focus went: the buttons the window knew held are let go.
void releasePointer();

// window_screenshot.cpp (window thread)
// F12 (true: it was, and has been handled): saves the program's picture, says where on stderr and
// tells the program.
bool handleScreenshotKey(int vk, bool down, bool repeat);

// window_x11.cpp (window thread); each does nothing where the window is not an X11 one.
// Names the window's instance in WM_CLASS (the class stays "PROMPT"). Before the window is shown.
void setInstanceName(SDL_Window* window, const std::string& instance);
// Gives the window every icon size at once (the desktop picks the one it needs).
void setIconSizes(SDL_Window* window, const std::vector<pixels::Bitmap>& icons);
// The X resource database of the window's display, as text ("" when there is none).
std::string resourceDatabase(SDL_Window* window);

} // namespace platform::window::internal
