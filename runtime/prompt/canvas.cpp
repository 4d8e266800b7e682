#include "runtime/prompt/canvas.hpp"
#include "runtime/prompt/canvas_hooks.hpp"

#include <algorithm>

namespace prompt {

namespace {

struct Rect {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0; // half-open
    bool empty() const { return x0 >= x1 || y0 >= y1; }
    bool inside(const Rect& r) const { return x0 >= r.x0 && y0 >= r.y0 && x1 <= r.x1 && y1 <= r.y1; }
};

struct Canvas {
    std::mutex mutex;
    bool exists = false;
    platform::pixels::Bitmap window;
    platform::pixels::Bitmap back;
    TextGrid grid;
    // A part of the framebuffer whose copy the back buffer still owes (empty: none).
    Rect owed;
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

// Called with the mutex held.
void settleBackBuffer(Canvas& c) {
    const Rect r = c.owed;
    c.owed = {};
    if (!r.empty())
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
    if (!canvas().exists) return nullptr;
    settleBackBuffer(canvas());
    touchedWindow_ = true;
    return &canvas().window;
}

platform::pixels::Bitmap* CanvasLock::backBuffer() {
    if (!canvas().exists) return nullptr;
    settleBackBuffer(canvas());
    return &canvas().back;
}

platform::pixels::Bitmap* CanvasLock::windowMirroredLater(int32_t x, int32_t y, int32_t w, int32_t h) {
    Canvas& c = canvas();
    if (!c.exists) return nullptr;
    const auto clamp = [](int64_t v, int32_t limit) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, 0, limit));
    };
    const Rect onBack{clamp(x, c.back.width), clamp(y, c.back.height),
                      clamp(int64_t{x} + std::max(w, 0), c.back.width),
                      clamp(int64_t{y} + std::max(h, 0), c.back.height)};
    if (!onBack.empty() && !onBack.inside(Rect{0, 0, c.window.width, c.window.height})) return nullptr;
    // What is owed elsewhere is paid now; what the new copy covers is never needed.
    if (!c.owed.inside(onBack) && !c.owed.empty()) settleBackBuffer(c);
    if (!onBack.empty()) c.owed = onBack;
    touchedWindow_ = true;
    return &c.window;
}

TextGrid& CanvasLock::textGrid() {
    return canvas().grid;
}

void copyWindowTo(uint32_t* destination, int32_t width, int32_t height, int32_t pitch) {
    std::lock_guard guard(canvas().mutex);
    const platform::pixels::Bitmap& w = canvas().window;
    const int32_t rows = std::min(height, w.height), columns = std::min(width, w.width);
    for (int32_t y = 0; y < rows; ++y)
        std::copy_n(w.row(y), columns, destination + static_cast<size_t>(y) * static_cast<size_t>(pitch));
}

void createCanvas(int32_t screenWidth, int32_t screenHeight, int32_t clientWidth, int32_t clientHeight) {
    std::lock_guard guard(canvas().mutex);
    canvas().back = platform::pixels::Bitmap(screenWidth, screenHeight, 0);
    canvas().window = platform::pixels::Bitmap(clientWidth, clientHeight, 0);
    canvas().owed = {};
    canvas().exists = true;
}

void resizeClient(int32_t clientWidth, int32_t clientHeight) {
    std::lock_guard guard(canvas().mutex);
    settleBackBuffer(canvas());
    canvas().window = platform::pixels::Bitmap(clientWidth, clientHeight, 0);
}

void destroyCanvas() {
    std::lock_guard guard(canvas().mutex);
    canvas().exists = false;
    canvas().owed = {};
    canvas().back = platform::pixels::Bitmap();
    canvas().window = platform::pixels::Bitmap();
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
