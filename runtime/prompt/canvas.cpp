#include "runtime/prompt/canvas.hpp"

#include <algorithm>

namespace prompt {

namespace {

struct Canvas {
    std::mutex mutex;
    bool exists = false;
    pixels::Bitmap window;
    pixels::Bitmap back;
    TextGrid grid;
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

} // namespace

CanvasLock::CanvasLock() : lock_(canvas().mutex) {}

CanvasLock::~CanvasLock() {
    lock_.unlock();
    if (touchedWindow_) {
        std::lock_guard guard(presentRequest().mutex);
        if (presentRequest().request) presentRequest().request();
    }
}

pixels::Bitmap* CanvasLock::window() {
    if (!canvas().exists) return nullptr;
    touchedWindow_ = true;
    return &canvas().window;
}

pixels::Bitmap* CanvasLock::backBuffer() {
    return canvas().exists ? &canvas().back : nullptr;
}

TextGrid& CanvasLock::textGrid() {
    return canvas().grid;
}

void copyWindowTo(uint32_t* destination, int32_t width, int32_t height, int32_t pitch) {
    std::lock_guard guard(canvas().mutex);
    const pixels::Bitmap& w = canvas().window;
    const int32_t rows = std::min(height, w.height), columns = std::min(width, w.width);
    for (int32_t y = 0; y < rows; ++y)
        std::copy_n(w.row(y), columns, destination + static_cast<size_t>(y) * static_cast<size_t>(pitch));
}

void createCanvas(int32_t screenWidth, int32_t screenHeight, int32_t clientWidth, int32_t clientHeight) {
    std::lock_guard guard(canvas().mutex);
    canvas().back = pixels::Bitmap(screenWidth, screenHeight, 0);
    canvas().window = pixels::Bitmap(clientWidth, clientHeight, 0);
    canvas().exists = true;
}

void resizeClient(int32_t clientWidth, int32_t clientHeight) {
    std::lock_guard guard(canvas().mutex);
    canvas().window = pixels::Bitmap(clientWidth, clientHeight, 0);
}

void destroyCanvas() {
    std::lock_guard guard(canvas().mutex);
    canvas().exists = false;
    canvas().back = pixels::Bitmap();
    canvas().window = pixels::Bitmap();
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
