#pragma once
// The one OS window of a program, owned by a thread of its own. The window thread is the only
// thread that talks to the video system: it creates the window, runs the event loop, presents the
// client framebuffer and turns key events into virtual-key codes (game controllers included).
// Other threads reach it through the calls below, which hand their work to the window thread and
// wait until it is done.
//
// The window shows the client framebuffer enlarged by a whole factor, its scale: each pixel a
// scale x scale block. The scale is chosen at start from the desktop's (see chooseScale), and
// Alt+Plus and Alt+Minus change it while the program runs. Alt+Enter toggles a fullscreen view:
// the window covers the display without a frame and shows the client framebuffer enlarged by the
// largest whole factor that fits, centred on black; leaving it brings the window back at its
// scale. The program sees no change: its client size, framebuffer and the pixels read back stay
// as they were, and these keys reach neither the key-state table nor the keyDown callback.
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
    // The program's own picture for F12, copied as the present source below copies it but without
    // what the program lays over it for the moment (a pause sign, a notice). Empty: the present
    // source's.
    std::function<void(uint32_t* destination, int32_t width, int32_t height, int32_t pitch)> picture;
    // F12 saved the window's picture, or could not (saved.error says why).
    std::function<void(const screenshot::Saved& saved)> pictureSaved;
};

// Copies the pixels to present into the window's surface: called on the window thread with the
// destination, which is clientWidth x clientHeight pixels in 0x00BBGGRR order, row pitch in pixels.
using PresentSource =
    std::function<void(uint32_t* destination, int32_t width, int32_t height, int32_t pitch)>;

// Who the window is and how large it shows the program.
struct Setup {
    // The instance name in the X11 WM_CLASS, which desktops match with the program's menu entry
    // (the class is always "PROMPT"); on Wayland the application id.
    std::string instance = "PROMPT";
    // The window's scale, 1..kMaxScale, as asked for by hand: taken even where the window then
    // does not fit the work area. 0 chooses it from the desktop's settings.
    int32_t scale = 0;
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
