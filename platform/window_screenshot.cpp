// F12: the program's picture saved as a PNG file, for every program on the window, whatever the
// window's scale or fullscreen view (the picture is the program's own size).
#include "platform/keys.hpp"
#include "platform/screenshot.hpp"
#include "platform/window_internal.hpp"

#include <cstdio>
#include <ctime>

namespace platform::window::internal {

bool handleScreenshotKey(int vk, bool down, bool repeat) {
    if (vk != keys::functionKey(12)) return false;
    // Its key-up is kept out as well: the program never saw the key go down.
    if (!down || repeat) return true;
    Local& l = local();
    pixels::Bitmap picture(l.clientWidth, l.clientHeight, 0);
    if (l.callbacks.picture)
        l.callbacks.picture(picture.pixels.data(), picture.width, picture.height, picture.width);
    else if (l.present.copy)
        l.present.copy(picture.pixels.data(), picture.width, {0, 0, picture.width, picture.height},
                       pixels::Order::Xbgr);
    const screenshot::Saved saved =
        screenshot::savePicture(picture, l.setup.instance, screenshot::picturesFolder(), std::time(nullptr));
    std::fprintf(stderr, "%s\n", screenshot::outcomeLine(l.setup.instance, saved).c_str());
    std::fflush(stderr);
    if (l.callbacks.pictureSaved) l.callbacks.pictureSaved(saved);
    return true;
}

} // namespace platform::window::internal
