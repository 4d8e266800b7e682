#include "runtime/prompt/canvas.hpp"
#include "runtime/prompt/canvas_hooks.hpp"

#include <algorithm>

namespace prompt {

namespace {

struct Rect {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0; // half-open
    bool empty() const { return x0 >= x1 || y0 >= y1; }
    bool inside(const Rect& r) const { return x0 >= r.x0 && y0 >= r.y0 && x1 <= r.x1 && y1 <= r.y1; }
    // The smallest rectangle holding both (an empty one adds nothing).
    Rect joined(const Rect& r) const {
        if (empty()) return r;
        if (r.empty()) return *this;
        return {std::min(x0, r.x0), std::min(y0, r.y0), std::max(x1, r.x1), std::max(y1, r.y1)};
    }
};

// (x, y, w, h) cut to a width x height bitmap.
Rect clipped(int64_t x, int64_t y, int64_t w, int64_t h, int32_t width, int32_t height) {
    const auto clamp = [](int64_t v, int32_t limit) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, 0, limit));
    };
    return {clamp(x, width), clamp(y, height), clamp(x + std::max<int64_t>(w, 0), width),
            clamp(y + std::max<int64_t>(h, 0), height)};
}

struct Canvas {
    std::mutex mutex;
    bool exists = false;
    platform::pixels::Bitmap window;
    platform::pixels::Bitmap back;
    TextGrid grid;
    // A part of the framebuffer whose copy the back buffer still owes (empty: none).
    Rect owed;
    // A picture the window shows over the framebuffer at (overlayX, overlayY), which the
    // framebuffer still owes itself (empty: none), and the pixels of the one before, kept to be
    // given to the next picture taken.
    platform::pixels::Bitmap overlay;
    int32_t overlayX = 0, overlayY = 0;
    platform::pixels::Bitmap spare;
    // What changed in the framebuffer since the window last took it.
    Rect changed;
};

// Never destroyed: the window thread keeps presenting while the process exits.
Canvas& canvas() {
    static Canvas* c = new Canvas;
    return *c;
}

struct PresentRequest {
    std::mutex mutex;
    std::function<void()> request;
};
PresentRequest& presentRequest() {
    static PresentRequest* r = new PresentRequest;
    return *r;
}

Rect wholeWindow(const Canvas& c) {
    return {0, 0, c.window.width, c.window.height};
}

Rect overlayOnWindow(const Canvas& c) {
    return clipped(c.overlayX, c.overlayY, c.overlay.width, c.overlay.height, c.window.width,
                   c.window.height);
}

// The framebuffer takes the picture shown over it. Called with the mutex held, like the others.
void settleWindow(Canvas& c) {
    if (c.overlay.empty()) return;
    platform::pixels::blit(c.window, c.overlayX, c.overlayY, c.overlay.width, c.overlay.height, c.overlay, 0,
                           0, platform::pixels::kSrcCopy);
    c.spare = std::move(c.overlay);
    c.overlay = platform::pixels::Bitmap();
}

void settleBackBuffer(Canvas& c) {
    const Rect r = c.owed;
    c.owed = {};
    if (r.empty()) return;
    settleWindow(c);
    platform::pixels::blit(c.back, r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0, c.window, r.x0, r.y0,
                           platform::pixels::kSrcCopy);
}

} // namespace

CanvasLock::CanvasLock() : lock_(canvas().mutex) {}

CanvasLock::~CanvasLock() {
    lock_.unlock();
    if (touchedWindow_) {
        std::lock_guard guard(presentRequest().mutex);
        if (presentRequest().request) presentRequest().request();
    }
}

platform::pixels::Bitmap* CanvasLock::window() {
    Canvas& c = canvas();
    if (!c.exists) return nullptr;
    settleBackBuffer(c);
    settleWindow(c);
    // The caller may draw anywhere on it.
    c.changed = wholeWindow(c);
    touchedWindow_ = true;
    return &c.window;
}

platform::pixels::Bitmap* CanvasLock::backBuffer() {
    if (!canvas().exists) return nullptr;
    settleBackBuffer(canvas());
    return &canvas().back;
}

platform::pixels::Bitmap* CanvasLock::windowMirroredLater(int32_t x, int32_t y, int32_t w, int32_t h) {
    Canvas& c = canvas();
    if (!c.exists) return nullptr;
    const Rect onBack = clipped(x, y, w, h, c.back.width, c.back.height);
    if (!onBack.empty() && !onBack.inside(wholeWindow(c))) return nullptr;
    // What is owed elsewhere is paid now; what the new copy covers is never needed.
    if (!c.owed.inside(onBack) && !c.owed.empty()) settleBackBuffer(c);
    settleWindow(c);
    if (!onBack.empty()) c.owed = onBack;
    c.changed = c.changed.joined(clipped(x, y, w, h, c.window.width, c.window.height));
    touchedWindow_ = true;
    return &c.window;
}

bool CanvasLock::windowTakes(platform::pixels::Bitmap& picture, int32_t x, int32_t y) {
    Canvas& c = canvas();
    if (!c.exists || picture.empty()) return false;
    const Rect onBack = clipped(x, y, picture.width, picture.height, c.back.width, c.back.height);
    if (!onBack.empty() && !onBack.inside(wholeWindow(c))) return false;
    // The back buffer owes the place of a picture shown over the framebuffer for as long as it is
    // shown (settling the one settles the other): paying what the new picture does not cover puts
    // the picture shown before into the framebuffer, and one still shown lies under the new one.
    if (!c.owed.inside(onBack) && !c.owed.empty()) settleBackBuffer(c);
    if (!c.overlay.empty()) {
        c.spare = std::move(c.overlay);
        c.overlay = platform::pixels::Bitmap();
    }
    platform::pixels::Bitmap given = std::move(c.spare);
    c.spare = platform::pixels::Bitmap();
    if (given.width != picture.width || given.height != picture.height)
        given = platform::pixels::Bitmap(picture.width, picture.height);
    c.overlay = std::move(picture);
    picture = std::move(given);
    c.overlayX = x;
    c.overlayY = y;
    if (!onBack.empty()) c.owed = onBack;
    c.changed =
        c.changed.joined(clipped(x, y, picture.width, picture.height, c.window.width, c.window.height));
    touchedWindow_ = true;
    return true;
}

platform::pixels::Bitmap* CanvasLock::shownPicture(int32_t x, int32_t y, int32_t w, int32_t h) {
    Canvas& c = canvas();
    if (!c.exists || c.overlay.empty() || c.overlayX != x || c.overlayY != y || c.overlay.width != w ||
        c.overlay.height != h)
        return nullptr;
    // The back buffer owes the picture's place for as long as the picture is shown.
    c.changed = c.changed.joined(overlayOnWindow(c));
    touchedWindow_ = true;
    return &c.overlay;
}

TextGrid& CanvasLock::textGrid() {
    return canvas().grid;
}

Area takeWindowChanges(bool all) {
    std::lock_guard guard(canvas().mutex);
    Canvas& c = canvas();
    const Rect r = all ? wholeWindow(c) : c.changed;
    c.changed = {};
    return {r.x0, r.y0, r.x1, r.y1};
}

void copyWindowTo(uint32_t* destination, int32_t pitch, Area area, platform::pixels::Order order) {
    std::lock_guard guard(canvas().mutex);
    const Canvas& c = canvas();
    const Rect a = Rect{area.x0, area.y0, area.x1, area.y1};
    if (a.empty() || !a.inside(wholeWindow(c))) return;
    // Each row in up to three runs: the framebuffer's, the picture shown over it, the framebuffer's.
    const Rect over = c.overlay.empty() ? Rect{} : overlayOnWindow(c);
    // Columns x0 .. x1-1 of the row, from the pixels of column x0 on.
    const auto run = [&](uint32_t* to, const platform::pixels::Colour* from, int32_t x0, int32_t x1) {
        if (x1 > x0) platform::pixels::copyRow(to + (x0 - a.x0), from, static_cast<size_t>(x1 - x0), order);
    };
    for (int32_t y = a.y0; y < a.y1; ++y) {
        uint32_t* to = destination + static_cast<size_t>(y - a.y0) * static_cast<size_t>(pitch);
        const platform::pixels::Colour* own = c.window.row(y);
        if (over.empty() || y < over.y0 || y >= over.y1) {
            run(to, own + a.x0, a.x0, a.x1);
            continue;
        }
        const int32_t o0 = std::clamp(over.x0, a.x0, a.x1), o1 = std::clamp(over.x1, o0, a.x1);
        run(to, own + a.x0, a.x0, o0);
        // The window's pixel (x, y) is the overlay's (x - overlayX, y - overlayY).
        run(to, c.overlay.row(y - c.overlayY) + (o0 - c.overlayX), o0, o1);
        run(to, own + o1, o1, a.x1);
    }
}

void createCanvas(int32_t screenWidth, int32_t screenHeight, int32_t clientWidth, int32_t clientHeight) {
    std::lock_guard guard(canvas().mutex);
    Canvas& c = canvas();
    c.back = platform::pixels::Bitmap(screenWidth, screenHeight, 0);
    c.window = platform::pixels::Bitmap(clientWidth, clientHeight, 0);
    c.owed = {};
    c.overlay = c.spare = platform::pixels::Bitmap();
    c.changed = wholeWindow(c);
    c.exists = true;
}

void resizeClient(int32_t clientWidth, int32_t clientHeight) {
    std::lock_guard guard(canvas().mutex);
    Canvas& c = canvas();
    settleBackBuffer(c);
    c.overlay = platform::pixels::Bitmap();
    c.window = platform::pixels::Bitmap(clientWidth, clientHeight, 0);
    c.changed = wholeWindow(c);
}

void destroyCanvas() {
    std::lock_guard guard(canvas().mutex);
    Canvas& c = canvas();
    c.exists = false;
    c.owed = c.changed = {};
    c.back = c.window = c.overlay = c.spare = platform::pixels::Bitmap();
}

bool canvasExists() {
    std::lock_guard guard(canvas().mutex);
    return canvas().exists;
}

void setPresentRequest(std::function<void()> request) {
    std::lock_guard guard(presentRequest().mutex);
    presentRequest().request = std::move(request);
}

void promptBindPicture(WindowBinding& binding) {
    const bool exists = canvasExists();
    binding.window = exists;
    binding.backBuffer = exists;
    binding.bound = exists ? 1 : 0;
}

} // namespace prompt
