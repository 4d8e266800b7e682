#include "platform/dialog.hpp"

#include "platform/cp932.hpp"
#include "platform/window.hpp"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace platform {

namespace {

std::mutex sinkMutex;
std::function<void(std::string_view, std::string_view)> messageSink;

// SDL's dummy and offscreen drivers, and a session without any display, cannot show a box to
// anyone: the message goes to stderr instead of blocking on a box nobody sees.
bool displayAvailable() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::string_view(driver) == "dummy" || std::string_view(driver) == "offscreen"))
        return false;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

void showMessageBox(std::string_view cp932Text, std::string_view cp932Caption) {
    const std::string text = cp932::toUtf8(cp932Text);
    const std::string caption = cp932::toUtf8(cp932Caption);
    {
        std::lock_guard guard(sinkMutex);
        if (messageSink) {
            messageSink(text, caption);
            return;
        }
    }
    if (displayAvailable()) {
        // While the program's window is open, its thread shows the box (see window::showMessageBox).
        const std::optional<bool> shown = window::showMessageBox(text, caption);
        if (shown
                ? *shown
                : SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr) == 0)
            return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

void setMessageBoxSink(std::function<void(std::string_view utf8Text, std::string_view utf8Caption)> sink) {
    std::lock_guard guard(sinkMutex);
    messageSink = std::move(sink);
}

} // namespace platform
