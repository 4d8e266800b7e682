// What the window shows: the program's picture placed by windowPlacement in the view (the
// window's own pixels, which on a high-density display are finer than its size says): each pixel
// a square block, centred on black, or the whole picture shrunk into a window too small for it.
// With a GPU it is drawn by the video library's renderer from a streaming texture at the
// program's own size; without one, written on the processor straight into the window's own
// buffer, converted and enlarged in the same pass. The program draws at its own client size
// whatever the view is.
#include "platform/keys.hpp"
#include "platform/window_internal.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace platform::window::internal {

namespace {

bool onWayland() {
    const char* video = SDL_GetCurrentVideoDriver();
    return video && std::string_view(video) == "wayland";
}

// Whether the machine has a GPU to render with: a render node of the kernel's graphics drivers.
// Without one, an accelerated renderer is a rasteriser on the processor, dearer than the plain
// software renderer.
bool hasRenderNode() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error))
        if (entry.path().filename().string().rfind("renderD", 0) == 0) return true;
    return false;
}

// Whether an OpenGL renderer draws on the processor after all (a GPU the driver does not serve).
bool renderedInSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_SOFTWARE)) return true;
    const std::string_view name = info.name ? info.name : "";
    if (name.rfind("opengl", 0) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    constexpr unsigned int kGlRenderer = 0x1F01;
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* text = getString ? getString(kGlRenderer) : nullptr;
    const std::string_view what = text ? reinterpret_cast<const char*>(text) : "";
    for (const std::string_view soft : {"llvmpipe", "softpipe", "Software Rasterizer", "SWR"})
        if (what.find(soft) != std::string_view::npos) return true;
    return false;
}

// The texture's format: our own 0x00BBGGRR words where the renderer takes them as they are; for
// the software renderer the window's own format, which its copy onto the window then need not
// convert (red and blue are exchanged on the way into the texture, in the same pass).
void chooseTextureFormat() {
    Local& l = local();
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(l.renderer, &info);
    l.textureFormat = SDL_PIXELFORMAT_XBGR8888;
    l.textureOrder = pixels::Order::Xbgr;
    l.softwareRenderer = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    if ((info.flags & SDL_RENDERER_SOFTWARE) &&
        SDL_GetWindowPixelFormat(l.window) == SDL_PIXELFORMAT_XRGB8888) {
        l.textureFormat = SDL_PIXELFORMAT_XRGB8888;
        l.textureOrder = pixels::Order::Xrgb;
    }
}

// A texture at the client size, made anew when the size changed or the renderer lost it; fresh
// tells that it holds nothing yet.
bool ensureTexture(bool& fresh) {
    Local& l = local();
    fresh = false;
    if (l.texture && l.textureWidth == l.clientWidth && l.textureHeight == l.clientHeight) return true;
    if (l.texture) SDL_DestroyTexture(l.texture);
    l.texture = SDL_CreateTexture(l.renderer, l.textureFormat, SDL_TEXTUREACCESS_STREAMING, l.clientWidth,
                                  l.clientHeight);
    if (!l.texture) return false;
    l.textureWidth = l.clientWidth;
    l.textureHeight = l.clientHeight;
    fresh = true;
    // Nearest pixel: whole factors give exact square blocks.
    SDL_SetTextureScaleMode(l.texture, SDL_ScaleModeNearest);
    SDL_SetTextureBlendMode(l.texture, SDL_BLENDMODE_NONE);
    return true;
}

// The view drawn from the texture: the picture where it is placed, black on the rest (every
// pixel is drawn, so nothing depends on what the renderer's buffer held before). With `changed`,
// where the renderer's buffer still holds the whole view drawn last, only that part of the
// picture.
void drawView(const Area* changed = nullptr) {
    Local& l = local();
    int32_t w = 0, h = 0;
    SDL_GetRendererOutputSize(l.renderer, &w, &h);
    const Placement p = viewPlacement(w, h);
    if (changed && l.softwareRenderer && l.viewKept && w == l.viewWidth && h == l.viewHeight && p.scale > 0) {
        if (changed->empty()) return;
        const SDL_Rect from{changed->x0, changed->y0, changed->x1 - changed->x0, changed->y1 - changed->y0};
        const SDL_Rect to{p.x + from.x * p.scale, p.y + from.y * p.scale, from.w * p.scale, from.h * p.scale};
        SDL_RenderCopy(l.renderer, l.texture, &from, &to);
        return;
    }
    l.viewKept = true;
    l.viewWidth = w;
    l.viewHeight = h;
    const int32_t x0 = std::clamp(p.x, 0, w), x1 = std::clamp(p.x + p.width, x0, w);
    const int32_t y0 = std::clamp(p.y, 0, h), y1 = std::clamp(p.y + p.height, y0, h);
    SDL_Rect border[4];
    int count = 0;
    for (const SDL_Rect& r : {SDL_Rect{0, 0, w, y0}, SDL_Rect{0, y1, w, h - y1}, SDL_Rect{0, y0, x0, y1 - y0},
                              SDL_Rect{x1, y0, w - x1, y1 - y0}})
        if (r.w > 0 && r.h > 0) border[count++] = r;
    if (count > 0) {
        SDL_SetRenderDrawColor(l.renderer, 0, 0, 0, 255);
        SDL_RenderFillRects(l.renderer, border, count);
    }
    const SDL_Rect at{p.x, p.y, p.width, p.height};
    SDL_RenderCopy(l.renderer, l.texture, nullptr, &at);
}

// The window's own buffer as a view of 32-bit pixels in one of our two orders; null where it has
// none or keeps its pixels otherwise.
SDL_Surface* windowBuffer(pixels::Order& order) {
    SDL_Surface* s = SDL_GetWindowSurface(local().window);
    if (!s || !s->pixels || s->w <= 0 || s->h <= 0) return nullptr;
    switch (s->format->format) {
    case SDL_PIXELFORMAT_XRGB8888:
    case SDL_PIXELFORMAT_ARGB8888:
        order = pixels::Order::Xrgb;
        return s;
    case SDL_PIXELFORMAT_XBGR8888:
    case SDL_PIXELFORMAT_ABGR8888:
        order = pixels::Order::Xbgr;
        return s;
    default:
        return nullptr;
    }
}

uint32_t* bufferRow(SDL_Surface* s, int32_t y) {
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + static_cast<ptrdiff_t>(y) * s->pitch);
}

// Division rounding down and up, also below zero.
int64_t floorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
int64_t ceilDiv(int64_t a, int64_t b) {
    return -floorDiv(-a, b);
}

// The area of the picture written into the buffer, each pixel as a block of the placement's
// scale (the blocks that lie wholly in the view); the part of the view written.
SDL_Rect enlargeOnto(SDL_Surface* s, const Placement& p, const Area& a) {
    Local& l = local();
    const int32_t f = p.scale;
    const auto x0 = static_cast<int32_t>(std::max<int64_t>(a.x0, ceilDiv(-int64_t{p.x}, f)));
    const auto x1 = static_cast<int32_t>(std::min<int64_t>(a.x1, floorDiv(int64_t{s->w} - p.x, f)));
    const auto y0 = static_cast<int32_t>(std::max<int64_t>(a.y0, ceilDiv(-int64_t{p.y}, f)));
    const auto y1 = static_cast<int32_t>(std::min<int64_t>(a.y1, floorDiv(int64_t{s->h} - p.y, f)));
    if (x0 >= x1 || y0 >= y1) return {};
    const int32_t left = p.x + x0 * f;
    if (f == 1) {
        l.present.copy(bufferRow(s, p.y + y0) + left, s->pitch / 4, {x0, y0, x1, y1}, l.surfaceOrder);
    } else {
        // A few rows at a time, which stay in the processor's nearest cache until enlarged.
        constexpr int32_t kBandRows = 16;
        const auto n = static_cast<size_t>(x1 - x0);
        l.band.resize(n * kBandRows);
        for (int32_t y = y0; y < y1; y += kBandRows) {
            const int32_t rows = std::min(kBandRows, y1 - y);
            l.present.copy(l.band.data(), static_cast<int32_t>(n), {x0, y, x1, y + rows}, l.surfaceOrder);
            for (int32_t r = 0; r < rows; ++r) {
                const int32_t top = p.y + (y + r) * f;
                uint32_t* first = bufferRow(s, top) + left;
                pixels::enlargeRow(first, l.band.data() + static_cast<size_t>(r) * n, n, f);
                for (int32_t k = 1; k < f; ++k) std::memcpy(bufferRow(s, top + k) + left, first, n * f * 4);
            }
        }
    }
    return {left, p.y + y0 * f, (x1 - x0) * f, (y1 - y0) * f};
}

// The picture shrunk into the buffer: each pixel of the view shows the program's pixel its share
// of the picture begins in, as a pointer there reads it. The area is what changed of the picture,
// which is kept whole at the program's size.
SDL_Rect shrinkOnto(SDL_Surface* s, const Placement& p, const Area& a) {
    Local& l = local();
    pixels::Bitmap& from = l.shrinkSource;
    if (!a.empty())
        l.present.copy(from.row(a.y0) + a.x0, from.width, a, l.surfaceOrder);
    const int32_t vx0 = std::max(0, -p.x), vx1 = std::min(p.width, s->w - p.x);
    const int32_t vy0 = std::max(0, -p.y), vy1 = std::min(p.height, s->h - p.y);
    if (vx0 >= vx1 || vy0 >= vy1) return {};
    std::vector<int32_t> columns(static_cast<size_t>(vx1 - vx0));
    for (int32_t vx = vx0; vx < vx1; ++vx)
        columns[static_cast<size_t>(vx - vx0)] = static_cast<int32_t>(int64_t{vx} * from.width / p.width);
    for (int32_t vy = vy0; vy < vy1; ++vy) {
        const pixels::Colour* in = from.row(static_cast<int32_t>(int64_t{vy} * from.height / p.height));
        uint32_t* out = bufferRow(s, p.y + vy) + p.x + vx0;
        for (size_t k = 0; k < columns.size(); ++k) out[k] = in[columns[k]];
    }
    return {p.x + vx0, p.y + vy0, vx1 - vx0, vy1 - vy0};
}

// Black where the view shows no picture.
void blackenAround(SDL_Surface* s, const SDL_Rect& picture) {
    const int32_t w = s->w, h = s->h;
    const int32_t x0 = std::clamp(picture.x, 0, w), x1 = std::clamp(picture.x + picture.w, x0, w);
    const int32_t y0 = std::clamp(picture.y, 0, h), y1 = std::clamp(picture.y + picture.h, y0, h);
    const auto fill = [s](int32_t y, int32_t x, int32_t n) {
        if (n > 0) std::memset(bufferRow(s, y) + x, 0, static_cast<size_t>(n) * 4);
    };
    for (int32_t y = 0; y < h; ++y) {
        if (y < y0 || y >= y1) {
            fill(y, 0, w);
        } else {
            fill(y, 0, x0);
            fill(y, x1, w - x1);
        }
    }
}

// The present where the view lives in the window's own buffer: what changed of the picture is
// written there and handed to the desktop; after anything that may have spoilt the view (a new
// buffer, a paint), all of it.
void presentOnSurface() {
    Local& l = local();
    pixels::Order order = l.surfaceOrder;
    SDL_Surface* s = windowBuffer(order);
    if (!s || !l.present.copy) return;
    const int32_t cw = l.clientWidth, ch = l.clientHeight;
    const Placement p = viewPlacement(s->w, s->h);
    if (s != l.surface || order != l.surfaceOrder || s->w != l.viewWidth || s->h != l.viewHeight) l.viewKept = false;
    if (p.scale == 0 && (l.shrinkSource.width != cw || l.shrinkSource.height != ch)) {
        l.shrinkSource = pixels::Bitmap(cw, ch);
        l.viewKept = false;
    }
    if (p.scale != 0) l.shrinkSource = {};
    l.surface = s;
    l.surfaceOrder = order;
    l.viewWidth = s->w;
    l.viewHeight = s->h;
    const bool whole = !l.viewKept;
    Area a{0, 0, cw, ch};
    if (l.present.takeChanged) {
        const Area changed = l.present.takeChanged(whole);
        a = {std::max(changed.x0, 0), std::max(changed.y0, 0), std::min(changed.x1, cw), std::min(changed.y1, ch)};
    }
    if (a.empty()) a = {};
    const SDL_Rect written = p.scale == 0 ? shrinkOnto(s, p, a) : a.empty() ? SDL_Rect{} : enlargeOnto(s, p, a);
    l.viewKept = true;
    if (whole) {
        blackenAround(s, {p.x, p.y, p.width, p.height});
        SDL_UpdateWindowSurface(l.window);
    } else if (written.w > 0 && written.h > 0) {
        SDL_UpdateWindowSurfaceRects(l.window, &written, 1);
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
    // the desktop's panels. A Wayland desktop always answers, and sizes the window itself.
    if (!onWayland()) {
        SDL_SetWindowBordered(l.window, SDL_FALSE);
        SDL_SetWindowPosition(l.window, bounds.x, bounds.y);
        SDL_SetWindowSize(l.window, bounds.w, bounds.h);
    }
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

bool createRenderer(std::string& why) {
    Local& l = local();
    const uint32_t vsync = l.setup.vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
    const char* forced = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    const std::string_view named = forced ? forced : "";
    // Wayland gives a window no buffer of its own to draw on: there it is the GPU's renderer, or
    // the one that stands in for it on the processor. Elsewhere, drawing on the processor means
    // writing into the window's buffer (a renderer there would copy the picture once more).
    const bool ownBuffer = !onWayland();
    const auto takeBuffer = [&l, ownBuffer] {
        l.onSurface = ownBuffer && windowBuffer(l.surfaceOrder) != nullptr;
        return l.onSurface;
    };
    if (!named.empty() && named != "software") {
        l.renderer = SDL_CreateRenderer(l.window, -1, vsync);
    } else if (ownBuffer && (named == "software" || !hasRenderNode())) {
        if (takeBuffer()) return true;
        l.renderer = SDL_CreateRenderer(l.window, -1, SDL_RENDERER_SOFTWARE);
    } else {
        l.renderer = SDL_CreateRenderer(l.window, -1, SDL_RENDERER_ACCELERATED | vsync);
        if (l.renderer && ownBuffer && renderedInSoftware(l.renderer)) {
            SDL_DestroyRenderer(l.renderer);
            l.renderer = nullptr;
        }
        if (!l.renderer && ownBuffer) {
            if (takeBuffer()) return true;
            l.renderer = SDL_CreateRenderer(l.window, -1, SDL_RENDERER_SOFTWARE);
        }
    }
    if (!l.renderer) {
        why = std::string("the window has no renderer: ") + SDL_GetError();
        return false;
    }
    chooseTextureFormat();
    return true;
}

void present() {
    Local& l = local();
    if (l.onSurface) {
        presentOnSurface();
        ++l.presents;
        return;
    }
    bool fresh = false;
    if (!l.renderer || !ensureTexture(fresh)) return;
    // Only what changed goes into the texture, which keeps the rest.
    Area a{0, 0, l.textureWidth, l.textureHeight};
    if (l.present.takeChanged && l.present.copy) {
        const Area changed = l.present.takeChanged(fresh);
        a = {std::max(changed.x0, 0), std::max(changed.y0, 0), std::min(changed.x1, l.textureWidth),
             std::min(changed.y1, l.textureHeight)};
        const SDL_Rect rect{a.x0, a.y0, a.x1 - a.x0, a.y1 - a.y0};
        void* pixels = nullptr;
        int pitch = 0;
        if (!a.empty() && SDL_LockTexture(l.texture, &rect, &pixels, &pitch) == 0) {
            l.present.copy(static_cast<uint32_t*>(pixels), pitch / 4, a, l.textureOrder);
            SDL_UnlockTexture(l.texture);
        }
    }
    if (fresh) l.viewKept = false;
    drawView(&a);
    // With vsync this waits for the display's refresh here, on the window thread; what the
    // program draws meanwhile is shown by the next present.
    SDL_RenderPresent(l.renderer);
    ++l.presents;
}

void paint() {
    Local& l = local();
    if (l.callbacks.paint) l.callbacks.paint(l.clientWidth, l.clientHeight);
    // This present shows what the paint drew and every present asked for before it. Taken with
    // an exchange: it reads what each request wrote, so their drawing is seen below. A paint
    // follows whatever may have spoilt the view (exposure, a new size or view): it draws all of it.
    shared().presentPending.exchange(false);
    l.viewKept = false;
    present();
}

void followWindowSize() {
    Local& l = local();
    int w = 0, h = 0;
    SDL_GetWindowSize(l.window, &w, &h);
    if (l.awaitedWidth != 0 && w == l.awaitedWidth && h == l.awaitedHeight)
        l.awaitedWidth = l.awaitedHeight = 0;
    // A window the program made resizable, resized by the user: the client area is what the scale
    // fills of it. Every other window keeps the program's size, placed anew in the size it has.
    if (l.resizable && !l.fullscreen && l.awaitedWidth == 0) {
        if (w / l.scale == l.clientWidth && h / l.scale == l.clientHeight) return;
        l.clientWidth = w / l.scale;
        l.clientHeight = h / l.scale;
    }
    // The program repaints at its own size, as after any change of the window's size.
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

Placement viewPlacement(int32_t viewWidth, int32_t viewHeight) {
    const Local& l = local();
    return windowPlacement(l.clientWidth, l.clientHeight, viewWidth, viewHeight);
}

pixels::Bitmap readView() {
    Local& l = local();
    if (l.onSurface) {
        pixels::Order order = l.surfaceOrder;
        SDL_Surface* s = windowBuffer(order);
        if (!s) return {};
        // A buffer made anew since the last present holds no view yet.
        if (s != l.surface || s->w != l.viewWidth || s->h != l.viewHeight) present();
        pixels::Bitmap out(s->w, s->h);
        for (int32_t y = 0; y < s->h; ++y) {
            pixels::Colour* row = out.row(y);
            pixels::copyRow(row, bufferRow(s, y), static_cast<size_t>(s->w), order);
            for (int32_t x = 0; x < s->w; ++x) row[x] &= 0x00FFFFFF;
        }
        return out;
    }
    if (!l.renderer || !l.texture) return {};
    int32_t w = 0, h = 0;
    SDL_GetRendererOutputSize(l.renderer, &w, &h);
    if (w <= 0 || h <= 0) return {};
    // Drawn again from the texture, which holds the last picture presented, and read before the
    // next present (a presented buffer may be gone).
    drawView();
    pixels::Bitmap out(w, h);
    if (SDL_RenderReadPixels(l.renderer, nullptr, SDL_PIXELFORMAT_XBGR8888, out.pixels.data(), w * 4) != 0)
        return {};
    for (pixels::Colour& c : out.pixels) c &= 0x00FFFFFF; // the unused byte as our pixels have it
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
