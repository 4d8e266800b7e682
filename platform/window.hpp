#pragma once
// The one OS window of a program, owned by a thread of its own. The window thread is the only
// thread that talks to the video system: it creates the window, runs the event loop, presents the
// client framebuffer and turns key events into virtual-key codes (game controllers included).
// Other threads reach it through the calls below, which hand their work to the window thread and
// wait until it is done.
//
// The window asks for the client size enlarged by a whole factor, its scale: each pixel a
// scale x scale block. The scale is chosen at start from the desktop's (see desktopScale), and
// Alt+Plus and Alt+Minus change it while the program runs. Whatever size the window then gets (the
// one asked for, one a tiling desktop or the user gives it, the display's in the fullscreen view
// that Alt+Enter toggles), the client framebuffer is shown as windowPlacement places it: enlarged
// by the largest whole factor that fits, centred on black, or shrunk to fit a window too small
// for it. The video library's renderer draws it (vsync where the driver has it) from a texture at
// the client size; on a high-density display its pixels are the display's own. The program sees
// no change: its client size, framebuffer and the pixels read back stay as they were, and these
// keys reach neither the key-state table nor the keyDown callback. Only a window the program made
// resizable itself gives the program a new client size when the window is resized.
//
// F12 saves the program's picture at its client size as a PNG file in the desktop's pictures
// folder (platform/screenshot.hpp), in a folder named by the instance name, says on stderr where
// it went and tells the program through pictureSaved. F12 too reaches nothing else.
#include "platform/pixels.hpp"
#include "platform/screenshot.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Tests and tools reach further in (window_hooks.hpp): keys and controllers made in software, and
// what the window shows read back.
namespace platform::window {

// What the pointer did, at the program's pixel under it (outside the client area when the pointer
// is off the picture, as programPoint gives it).
struct PointerEvent {
    enum class Kind : uint8_t { Press, Move, Release, Wheel };
    Kind kind = Kind::Move;
    uint8_t button = 0; // Press, Release: 1 left, 2 middle, 3 right
    uint8_t held = 0;   // the buttons held after the event, bit (button - 1) each
    int32_t x = 0, y = 0;
    int32_t wheel = 0; // Wheel: notches turned, positive away from the user
};

// What the window thread tells its owner. Every callback runs on the window thread.
struct Callbacks {
    // The window exists: screen size and initial client size.
    std::function<void(int32_t screenWidth, int32_t screenHeight, int32_t clientWidth, int32_t clientHeight)>
        created;
    // The whole client area must be drawn again (first show, exposure, resize, invalidation).
    // The client size is given; the handler draws into its framebuffer and returns.
    std::function<void(int32_t clientWidth, int32_t clientHeight)> paint;
    // A key that is not a system key went down (auto-repeat included), as a virtual-key code
    // 1..255. System keys (Alt, F10, and a key pressed with Alt but not Ctrl) only reach the
    // key-state table.
    std::function<void(int vk)> keyDown;
    // The desktop asked to close the window (its close button, Alt+F4, a logout). Once per
    // request: the quit the video library reports beside a window close is the same request.
    // Without a handler the process ends at once with exit code 0.
    std::function<void()> closeRequested;
    // The pointer: a button went down or up, the pointer moved while a button is held, or the
    // wheel turned; in the program's own pixels. Every press, move and release comes, in order.
    std::function<void(const PointerEvent&)> pointer;
    // The program's own picture for F12, copied as the present source below copies it but without
    // what the program lays over it for the moment (a pause sign, a notice). Empty: the present
    // source's.
    std::function<void(uint32_t* destination, int32_t width, int32_t height, int32_t pitch)> picture;
    // F12 saved the window's picture, or could not (saved.error says why).
    std::function<void(const screenshot::Saved& saved)> pictureSaved;
};

// A part of the client area, half-open: columns x0 .. x1-1, rows y0 .. y1-1.
struct Area {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// Where the pixels to present come from. Both parts are called on the window thread, first
// takeChanged, then copy for the part of it that lies inside the client area.
struct PresentSource {
    // The part of the client area that changed since the last call (all of it when `all`),
    // forgotten in the same step.
    std::function<Area(bool all)> takeChanged;
    // Copies the area into the texture the window is drawn from: destination holds the area's
    // first pixel, rows pitch pixels apart, in the given order (pixels::copyRow converts).
    std::function<void(uint32_t* destination, int32_t pitch, Area area, pixels::Order order)> copy;
};

// Who the window is and how large it shows the program.
struct Setup {
    // The instance name in the X11 WM_CLASS, which desktops match with the program's menu entry
    // (the class is always "PROMPT"); on Wayland the application id.
    std::string instance = "PROMPT";
    // The window's scale, 1..kMaxScale, as asked for by hand: taken even where the window then
    // does not fit the work area. 0 chooses it from the desktop's settings.
    int32_t scale = 0;
    // Each picture waits for the display's next refresh where the driver can (the program never
    // waits for it); false shows it at once.
    bool vsync = true;
};
inline constexpr int32_t kMaxScale = 8;

// Starts the window thread (once per process; later calls do nothing). Returns at once; poll
// state() for the outcome. The first title is "BASIC PROMPT".
void start(Callbacks callbacks, PresentSource present, Setup setup = {});

enum class State { NotStarted, Starting, Open, Failed };
State state();
// Why the window could not be opened (set when state() is Failed).
std::string failureReason();

// The settings a program gives its window. Each waits until the window thread has applied it;
// without an open window they do nothing.
void setTitle(std::string_view cp932);
// The same icon in several sizes (empty bitmaps are left out); the desktop shows the one that
// suits the place. Where only one can be given, the first is taken.
void setIcons(const std::vector<pixels::Bitmap>& icons);
void setResizable(bool resizable);
void setPosition(int32_t x, int32_t y);
// The client area's size; the window thread then repaints the whole client area.
void setClientSize(int32_t width, int32_t height);

// The client framebuffer changed: present it soon. Cheap, may be called from any thread, many
// requests before the window thread wakes count as one.
void requestPresent();
// The whole client area must be repainted (the paint callback runs, then the result is presented).
void requestPaint();

// Waits until the window thread has handled every request made before this call.
void flush();

// A modal message box (UTF-8), shown by the window thread: the video system's message box also
// raises the focused window and flushes the window's display connection, which only the window
// thread may touch. Returns once the box is dismissed: whether it could be shown, or nothing
// without an open window. The window is not served meanwhile; what arrives waits its turn.
std::optional<bool> showMessageBox(const std::string& utf8Text, const std::string& utf8Caption);

// Where the fullscreen view puts a client area of the given size on a screen: each pixel becomes
// a scale x scale block, scale the largest whole factor that fits (at least 1), and the picture's
// top-left corner lies at (x, y), centred (an odd pixel left over goes to the right or bottom). A
// picture larger than the screen keeps scale 1 and its middle shows (x or y negative).
// width and height are the picture's size as shown (the client size times the scale).
struct Placement {
    int32_t scale = 1, x = 0, y = 0;
    int32_t width = 0, height = 0;
};
Placement fullscreenPlacement(int32_t clientWidth, int32_t clientHeight, int32_t screenWidth,
                              int32_t screenHeight);
// Where a window of any size shows the client area: as the fullscreen view places it, except that
// a window too small for the picture at scale 1 shows all of it shrunk to fit, keeping its aspect
// and centred (scale 0, width and height the shrunk size, at least 1 x 1).
Placement windowPlacement(int32_t clientWidth, int32_t clientHeight, int32_t windowWidth,
                          int32_t windowHeight);

// A point of the view (window pixels) as a pixel of the program's picture, under the placement
// that shows it: the pixel whose block (or shrunk share) holds the point. Points off the picture
// give pixels outside the client area, with inside false.
struct ProgramPoint {
    int32_t x = 0, y = 0;
    bool inside = false;
};
ProgramPoint programPoint(const Placement& placement, int32_t clientWidth, int32_t clientHeight,
                          int32_t viewX, int32_t viewY);
// A point of the window as pointer events give it, in the desktop's points, as the program's
// pixel: first onto the view's drawable, which has more pixels than points on a high-DPI display
// (windowWidth x windowHeight points, drawableWidth x drawableHeight pixels), then through
// programPoint under the placement that shows the picture on that drawable.
ProgramPoint programPointOfPointer(const Placement& placement, int32_t clientWidth, int32_t clientHeight,
                                   int32_t windowWidth, int32_t windowHeight, int32_t drawableWidth,
                                   int32_t drawableHeight, int32_t pointX, int32_t pointY);

// The desktop's clipboard as text (UTF-8), through the window thread. Setting it: whether the
// clipboard took it. Reading it: its text, or nothing when it holds none (or there is no window).
bool setClipboardText(const std::string& utf8);
std::optional<std::string> clipboardText();

// The scale the desktop asks for: Xft.dpi of the X resource database divided by 96, rounded
// down, where the database has it; else GDK_SCALE, a whole number; else 1. At least 1, at most
// kMaxScale.
int32_t desktopScale(std::optional<double> xftDpi, const char* gdkScale);
// The largest scale up to wanted at which a client area fits a work area (at least 1). A work
// area of no size is unknown and lowers nothing.
int32_t fittingScale(int32_t wanted, int32_t clientWidth, int32_t clientHeight, int32_t workWidth,
                     int32_t workHeight);
// Xft.dpi in the text of an X resource database ("Xft.dpi:\t192\n"): a positive number, or
// nothing.
std::optional<double> xftDpiFromResources(std::string_view resources);

} // namespace platform::window
