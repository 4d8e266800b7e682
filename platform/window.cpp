// The requests other threads make of the window: its settings, repaints, and what it shows read
// back. Each is handed to the window thread, which alone talks to the video system.
#include "platform/cp932.hpp"
#include "platform/window_internal.hpp"

namespace platform::window {

using internal::local;
using internal::runOnWindowThread;
using internal::shared;

namespace {

// An icon as the video library takes it: ARGB, every pixel opaque.
void setLibraryIcon(const pixels::Bitmap& icon) {
    std::vector<uint32_t> argb(icon.pixels.size());
    for (size_t i = 0; i < argb.size(); ++i) {
        const uint32_t c = icon.pixels[i];
        argb[i] = 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(argb.data(), icon.width, icon.height, 32,
                                                              icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return;
    SDL_SetWindowIcon(local().window, surface);
    SDL_FreeSurface(surface);
}

} // namespace

void setTitle(std::string_view cp932) {
    const std::string utf8 = cp932::toUtf8(cp932);
    runOnWindowThread([&] { SDL_SetWindowTitle(local().window, utf8.c_str()); });
}

void setIcons(const std::vector<pixels::Bitmap>& icons) {
    std::vector<pixels::Bitmap> sizes;
    for (const pixels::Bitmap& icon : icons)
        if (!icon.empty()) sizes.push_back(icon);
    if (sizes.empty()) return;
    runOnWindowThread([&] {
        setLibraryIcon(sizes.front());
        if (sizes.size() > 1) internal::setIconSizes(local().window, sizes);
    });
}

// In the fullscreen view the settings are kept for the window to come back to.
void setResizable(bool resizable) {
    runOnWindowThread([&] {
        local().resizable = resizable;
        if (!local().fullscreen) SDL_SetWindowResizable(local().window, resizable ? SDL_TRUE : SDL_FALSE);
    });
}

void setPosition(int32_t x, int32_t y) {
    runOnWindowThread([&] {
        local().windowedX = x;
        local().windowedY = y;
        if (!local().fullscreen) SDL_SetWindowPosition(local().window, x, y);
    });
}

void setClientSize(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return;
    runOnWindowThread([&] {
        local().clientWidth = width;
        local().clientHeight = height;
        // The scale the desktop asked for may not fit at this size, or fit again.
        internal::resizeToScale();
        internal::paint();
    });
}

void requestPresent() {
    internal::Shared& s = shared();
    if (s.state.load() != State::Open) return;
    if (!s.presentPending.exchange(true) && !internal::pushUserEvent(internal::kPresent))
        s.presentPending.store(false);
}

void requestPaint() {
    internal::Shared& s = shared();
    if (s.state.load() != State::Open) return;
    if (!s.paintPending.exchange(true) && !internal::pushUserEvent(internal::kPaint))
        s.paintPending.store(false);
}

void flush() {
    runOnWindowThread([] {});
}

std::optional<bool> showMessageBox(const std::string& utf8Text, const std::string& utf8Caption) {
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
    runOnWindowThread([&] { title = SDL_GetWindowTitle(local().window); });
    return title;
}

Geometry geometry() {
    Geometry g;
    runOnWindowThread([&] {
        const internal::Local& l = local();
        g.fullscreen = l.fullscreen;
        g.scale = l.scale;
        g.clientWidth = l.clientWidth;
        g.clientHeight = l.clientHeight;
        SDL_GetWindowSize(l.window, &g.windowWidth, &g.windowHeight);
        if (l.fullscreen) {
            g.x = l.windowedX;
            g.y = l.windowedY;
            g.resizable = l.resizable;
            return;
        }
        SDL_GetWindowPosition(l.window, &g.x, &g.y);
        g.resizable = (SDL_GetWindowFlags(l.window) & SDL_WINDOW_RESIZABLE) != 0;
    });
    return g;
}

pixels::Bitmap presentedPixels() {
    pixels::Bitmap out;
    runOnWindowThread([&] {
        const pixels::Bitmap shown = internal::readView();
        const internal::Local& l = local();
        // One pixel of each block (its top-left one), or of each share of a shrunk view; a part
        // cut off by the view reads black.
        const int32_t cw = l.clientWidth, ch = l.clientHeight;
        const Placement p = internal::viewPlacement(shown.width, shown.height);
        out = pixels::Bitmap(cw, ch, 0);
        for (int32_t y = 0; y < ch; ++y)
            for (int32_t x = 0; x < cw; ++x) {
                const int32_t sx = p.x + static_cast<int32_t>(int64_t{x} * p.width / cw);
                const int32_t sy = p.y + static_cast<int32_t>(int64_t{y} * p.height / ch);
                if (sx >= 0 && sy >= 0 && sx < shown.width && sy < shown.height)
                    out.row(y)[x] = shown.row(sy)[sx];
            }
    });
    return out;
}

pixels::Bitmap shownPixels() {
    pixels::Bitmap out;
    runOnWindowThread([&] { out = internal::readView(); });
    return out;
}

} // namespace platform::window
