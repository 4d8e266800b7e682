// The window's identity on X11, which the video library sets only in part: the instance name of
// WM_CLASS (the library gives instance and class the same name), and icons in several sizes (the
// library gives one). Also the X resource database, where desktops keep their font resolution.
// Each step here runs on the window thread, the only thread that uses the display connection.
#include "platform/window_internal.hpp"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform::window::internal {

namespace {

// The window's X11 display and id, when it is an X11 window.
bool x11Window(SDL_Window* window, Display*& display, Window& id) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    display = info.info.x11.display;
    id = info.info.x11.window;
    return display != nullptr;
}

} // namespace

void setInstanceName(SDL_Window* window, const std::string& instance) {
    Display* display = nullptr;
    Window id = 0;
    if (!x11Window(window, display, id)) return;
    std::string name = instance, windowClass = "PROMPT";
    XClassHint hint{name.data(), windowClass.data()};
    XSetClassHint(display, id, &hint);
    XFlush(display);
}

void setIconSizes(SDL_Window* window, const std::vector<pixels::Bitmap>& icons) {
    Display* display = nullptr;
    Window id = 0;
    if (!x11Window(window, display, id)) return;
    // _NET_WM_ICON: width, height, then ARGB pixels row by row, for each size in turn. Format 32
    // data travels as longs, whatever their width.
    std::vector<unsigned long> data;
    for (const pixels::Bitmap& icon : icons) {
        if (icon.empty()) continue;
        data.push_back(static_cast<unsigned long>(icon.width));
        data.push_back(static_cast<unsigned long>(icon.height));
        for (const pixels::Colour c : icon.pixels)
            data.push_back(0xFF000000ul | (c & 0xFFul) << 16 | (c & 0xFF00ul) | (c >> 16 & 0xFFul));
    }
    if (data.empty()) return;
    const Atom property = XInternAtom(display, "_NET_WM_ICON", False);
    XChangeProperty(display, id, property, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    XFlush(display);
}

std::string resourceDatabase(SDL_Window* window) {
    Display* display = nullptr;
    Window id = 0;
    if (!x11Window(window, display, id)) return {};
    // Read when the display connection was opened, as every program reads it.
    const char* resources = XResourceManagerString(display);
    return resources ? resources : "";
}

} // namespace platform::window::internal
