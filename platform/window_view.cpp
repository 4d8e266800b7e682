// What the window shows: the program's picture at the window's scale, each pixel a square block,
// or in the fullscreen view enlarged as far as the screen allows and centred on black. The
// program draws at its own client size whatever the view is.
#include "platform/keys.hpp"
#include "platform/window_internal.hpp"

#include <algorithm>
#include <climits>

namespace platform::window::internal {

namespace {

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

// The window's size for the client area at the current scale.
void scaledSize(int32_t& w, int32_t& h) {
    const Local& l = local();
    w = l.clientWidth * l.scale;
    h = l.clientHeight * l.scale;
}

// Asks for a window size; the sizes reported until it comes are the desktop catching up.
void requestWindowSize(int32_t w, int32_t h) {
    Local& l = local();
    SDL_SetWindowSize(l.window, w, h);
    int32_t nowW = 0, nowH = 0;
    SDL_GetWindowSize(l.window, &nowW, &nowH);
    // Some video drivers take the size at once; the others report it later.
    if (nowW == w && nowH == h) {
        l.awaitedWidth = l.awaitedHeight = 0;
    } else {
        l.awaitedWidth = w;
        l.awaitedHeight = h;
    }
}

void enterFullscreen() {
    Local& l = local();
    const int display = std::max(SDL_GetWindowDisplayIndex(l.window), 0);
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(display, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0) return;
    // A window still on its way to a new size may not be where it is going either.
    if (l.awaitedWidth == 0) SDL_GetWindowPosition(l.window, &l.windowedX, &l.windowedY);
    l.fullscreen = true;
    l.awaitedWidth = l.awaitedHeight = 0;
    // Where no window manager answers the fullscreen request (a bare X server), the borderless
    // window covering the display is the view; where one does, the request keeps the view above
    // the desktop's panels.
    SDL_SetWindowBordered(l.window, SDL_FALSE);
    SDL_SetWindowPosition(l.window, bounds.x, bounds.y);
    SDL_SetWindowSize(l.window, bounds.w, bounds.h);
    SDL_SetWindowFullscreen(l.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    paint();
}

void leaveFullscreen() {
    Local& l = local();
    SDL_SetWindowFullscreen(l.window, 0);
    SDL_SetWindowBordered(l.window, SDL_TRUE);
    SDL_SetWindowResizable(l.window, l.resizable ? SDL_TRUE : SDL_FALSE);
    l.fullscreen = false;
    resizeToScale();
    SDL_SetWindowPosition(l.window, l.windowedX, l.windowedY);
    followWindowSize();
}

// Alt+Plus and Alt+Minus: one step up, as far as the work area allows, or down, to 1.
void stepScale(int step) {
    Local& l = local();
    int32_t next = l.scale + step;
    if (step > 0) {
        int32_t workW = 0, workH = 0;
        workArea(workW, workH);
        if (fittingScale(next, l.clientWidth, l.clientHeight, workW, workH) < next) return;
    }
    next = std::clamp(next, 1, kMaxScale);
    if (next == l.scale) return;
    l.wantedScale = next;
    l.fitWorkArea = true;
    resizeToScale();
    paint();
}

} // namespace

void present() {
    Local& l = local();
    SDL_Surface* surface = SDL_GetWindowSurface(l.window);
    if (!surface) return;
    const int32_t w = surface->w, h = surface->h;
    const std::vector<uint32_t>* pixels = &l.staging;
    if (l.fullscreen || l.scale > 1) {
        const int32_t cw = l.clientWidth, ch = l.clientHeight;
        l.staging.assign(area(cw, ch), 0);
        if (l.present) l.present(l.staging.data(), cw, ch, cw);
        const Placement placement = viewPlacement(w, h);
        if (surface->format->BytesPerPixel == 4) {
            // Converted at the program's size and enlarged straight into the surface: a screen's
            // worth of conversion would cost several times more.
            l.view.resize(area(cw, ch));
            SDL_ConvertPixels(cw, ch, SDL_PIXELFORMAT_XBGR8888, l.staging.data(), cw * 4,
                              surface->format->format, l.view.data(), cw * 4);
            if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
            enlarge(l.view.data(), cw, ch, static_cast<uint32_t*>(surface->pixels), surface->pitch / 4, w, h,
                    placement);
            if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
            SDL_UpdateWindowSurface(l.window);
            return;
        }
        l.view.resize(area(w, h));
        enlarge(l.staging.data(), cw, ch, l.view.data(), w, w, h, placement);
        pixels = &l.view;
    } else {
        l.staging.assign(area(w, h), 0);
        if (l.present) l.present(l.staging.data(), w, h, w);
    }
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    // Our pixels are 0x00BBGGRR words: the library's XBGR8888.
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_XBGR8888, pixels->data(), w * 4, surface->format->format,
                      surface->pixels, surface->pitch);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(l.window);
}

void paint() {
    Local& l = local();
    if (l.callbacks.paint) l.callbacks.paint(l.clientWidth, l.clientHeight);
    shared().presentPending.store(false);
    present();
}

void followWindowSize() {
    Local& l = local();
    int w = 0, h = 0;
    SDL_GetWindowSize(l.window, &w, &h);
    if (l.awaitedWidth != 0) {
        if (w == l.awaitedWidth && h == l.awaitedHeight) l.awaitedWidth = l.awaitedHeight = 0;
        // The program repaints at its own size, as after any change of the window's size, and
        // the picture is placed anew.
        paint();
        return;
    }
    if (l.fullscreen) {
        paint();
        return;
    }
    // A window the user resized: the client area is what the scale fills of it.
    if (w / l.scale == l.clientWidth && h / l.scale == l.clientHeight) return;
    l.clientWidth = w / l.scale;
    l.clientHeight = h / l.scale;
    paint();
}

void resizeToScale() {
    Local& l = local();
    l.scale = l.wantedScale;
    if (l.fitWorkArea) {
        int32_t workW = 0, workH = 0;
        workArea(workW, workH);
        l.scale = fittingScale(l.wantedScale, l.clientWidth, l.clientHeight, workW, workH);
    }
    if (l.fullscreen) return;
    int32_t w = 0, h = 0;
    scaledSize(w, h);
    requestWindowSize(w, h);
}

bool handleViewKey(int vk, bool down, uint16_t modifiers, bool repeat) {
    // The keys of the view, all with Alt: either Enter key, the Plus and Minus keys of either
    // keyboard. A held key changes the view once.
    if (!isSystemKey(vk, modifiers)) return false;
    const bool toggle = vk == keys::kReturn;
    const bool plus = vk == keys::kPlus || vk == keys::kAdd;
    const bool minus = vk == keys::kMinus || vk == keys::kSubtract;
    if (!toggle && !plus && !minus) return false;
    // The key-ups go the way of every key-up (nothing is down to release); a held key acts once.
    if (!down) return false;
    if (repeat) return true;
    Local& l = local();
    if (toggle) {
        if (l.fullscreen)
            leaveFullscreen();
        else
            enterFullscreen();
    } else if (!l.fullscreen) {
        stepScale(plus ? 1 : -1);
    }
    return true;
}

Placement viewPlacement(int32_t surfaceWidth, int32_t surfaceHeight) {
    const Local& l = local();
    if (l.fullscreen) return fullscreenPlacement(l.clientWidth, l.clientHeight, surfaceWidth, surfaceHeight);
    return {l.scale, 0, 0, l.clientWidth * l.scale, l.clientHeight * l.scale};
}

pixels::Bitmap readSurface() {
    SDL_Surface* surface = SDL_GetWindowSurface(local().window);
    if (!surface) return {};
    pixels::Bitmap out(surface->w, surface->h);
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels, surface->pitch,
                      SDL_PIXELFORMAT_XBGR8888, out.pixels.data(), surface->w * 4);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    return out;
}

} // namespace platform::window::internal

namespace platform::window {

Placement fullscreenPlacement(int32_t clientWidth, int32_t clientHeight, int32_t screenWidth,
                              int32_t screenHeight) {
    if (clientWidth <= 0 || clientHeight <= 0) return {1, 0, 0};
    const int32_t scale = std::max(1, std::min(screenWidth / clientWidth, screenHeight / clientHeight));
    // Halved rounding down, also below zero: the odd pixel goes to the right or bottom.
    const auto half = [](int64_t v) { return static_cast<int32_t>(v >= 0 ? v / 2 : -((-v + 1) / 2)); };
    return {scale, half(int64_t{screenWidth} - int64_t{clientWidth} * scale),
            half(int64_t{screenHeight} - int64_t{clientHeight} * scale), clientWidth * scale,
            clientHeight * scale};
}

Placement windowPlacement(int32_t clientWidth, int32_t clientHeight, int32_t windowWidth,
                          int32_t windowHeight) {
    if (clientWidth <= 0 || clientHeight <= 0 || windowWidth <= 0 || windowHeight <= 0 ||
        (windowWidth >= clientWidth && windowHeight >= clientHeight))
        return fullscreenPlacement(clientWidth, clientHeight, windowWidth, windowHeight);
    // The side that limits the picture fills the window; the other keeps the aspect, rounded to
    // the nearest pixel.
    const int64_t cw = clientWidth, ch = clientHeight, ww = windowWidth, wh = windowHeight;
    int64_t w = ww, h = wh;
    if (ww * ch <= wh * cw)
        h = std::max<int64_t>(1, (ch * ww * 2 + cw) / (cw * 2));
    else
        w = std::max<int64_t>(1, (cw * wh * 2 + ch) / (ch * 2));
    return {0, static_cast<int32_t>((ww - w) / 2), static_cast<int32_t>((wh - h) / 2),
            static_cast<int32_t>(w), static_cast<int32_t>(h)};
}

ProgramPoint programPoint(const Placement& placement, int32_t clientWidth, int32_t clientHeight,
                          int32_t viewX, int32_t viewY) {
    // Division rounding down, also below zero, so a point left of or above the picture is never
    // taken for its first column or row.
    const auto floorDiv = [](int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    const auto map = [&](int32_t v, int32_t origin, int32_t shown, int32_t own) -> int32_t {
        if (shown <= 0 || own <= 0) return v - origin;
        const int64_t p = floorDiv((int64_t{v} - origin) * own, shown);
        return static_cast<int32_t>(std::clamp<int64_t>(p, INT32_MIN, INT32_MAX));
    };
    ProgramPoint out;
    out.x = map(viewX, placement.x, placement.width, clientWidth);
    out.y = map(viewY, placement.y, placement.height, clientHeight);
    out.inside = out.x >= 0 && out.y >= 0 && out.x < clientWidth && out.y < clientHeight;
    return out;
}

} // namespace platform::window
