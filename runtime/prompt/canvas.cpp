#include "runtime/prompt/canvas.hpp"

#include <atomic>

namespace prompt {

namespace {

struct Canvas {
    std::mutex mutex;
    bool exists = false;
    pixels::Bitmap window;
    pixels::Bitmap back;
};

Canvas& canvas() {
    static Canvas c;
    return c;
}

std::mutex requestMutex;
std::function<void()> presentRequest;

} // namespace

CanvasLock::CanvasLock() : lock_(canvas().mutex) {}

CanvasLock::~CanvasLock() {
    lock_.unlock();
    if (touchedWindow_) {
        std::lock_guard guard(requestMutex);
        if (presentRequest) presentRequest();
    }
}

pixels::Bitmap* CanvasLock::window() {
    if (!canvas().exists) return nullptr;
    touchedWindow_ = true;
    return &canvas().window;
}

pixels::Bitmap* CanvasLock::backBuffer() { return canvas().exists ? &canvas().back : nullptr; }

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
    std::lock_guard guard(requestMutex);
    presentRequest = std::move(request);
}

void promptBindPicture(WindowBinding& binding) {
    const bool exists = canvasExists();
    binding.window = exists;
    binding.backBuffer = exists;
    binding.bound = exists ? 1 : 0;
}

} // namespace prompt
