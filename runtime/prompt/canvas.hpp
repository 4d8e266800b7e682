#pragma once
// The window's shared drawing state: the client framebuffer (what the window shows) and the
// back buffer (the screen-sized graphics layer that every repaint starts from). One mutex guards
// both, together with the text grid; it is held only for one copy or draw.
#include "platform/pixels.hpp"
#include "platform/window.hpp"
#include "runtime/prompt/textgrid.hpp"

#include <cstdint>
#include <functional>
#include <mutex>

namespace prompt {

// Exclusive access to the drawing state for the life of the object.
class CanvasLock {
  public:
    CanvasLock();
    ~CanvasLock();
    CanvasLock(const CanvasLock&) = delete;
    CanvasLock& operator=(const CanvasLock&) = delete;

    // The client framebuffer, or null when there is no window. Asking for it marks the window
    // for presenting when the lock is released.
    platform::pixels::Bitmap* window();
    // The back buffer, or null when there is no window.
    platform::pixels::Bitmap* backBuffer();
    // The client framebuffer for an opaque copy onto the rectangle (x, y, w, h) that the back
    // buffer must receive too. The back buffer's copy is taken from the framebuffer later, when
    // anyone next looks at the back buffer or draws anything else on the window; a frame drawn
    // over the same place before then saves it. Null when there is no window, or when the
    // rectangle reaches parts of the back buffer that the framebuffer does not have (the caller
    // then draws on both itself).
    platform::pixels::Bitmap* windowMirroredLater(int32_t x, int32_t y, int32_t w, int32_t h);
    // The same opaque copy of a whole picture at (x, y), made by taking the picture's pixels
    // instead of copying them: the picture gets back pixels of its own size whose values are
    // unspecified, for a caller that draws all of it anew. The window shows the picture's pixels
    // over the framebuffer's until anyone next looks at the framebuffer, which then takes them.
    // False, with nothing done, where windowMirroredLater would give null.
    bool windowTakes(platform::pixels::Bitmap& picture, int32_t x, int32_t y);
    // The picture a windowTakes put at (x, y), while the window still shows it there at this size,
    // for a caller that draws all of it anew instead of handing over another: the window shows
    // the new pixels once the lock is released, as if they had been handed over. Null where the
    // window shows no such picture (nothing else drew on the window since).
    platform::pixels::Bitmap* shownPicture(int32_t x, int32_t y, int32_t w, int32_t h);
    // The text layer and its cursor (they always exist, with or without a window).
    TextGrid& textGrid();

  private:
    std::unique_lock<std::mutex> lock_;
    bool touchedWindow_ = false;
};

// Set up by the window thread when the window is created (back buffer screen-sized and black,
// client framebuffer of the client size); it lasts as long as the process. Tests drop it again
// with canvas_hooks.hpp.
void createCanvas(int32_t screenWidth, int32_t screenHeight, int32_t clientWidth, int32_t clientHeight);
void resizeClient(int32_t clientWidth, int32_t clientHeight);
bool canvasExists();

using platform::window::Area;
// What changed in the client framebuffer since the last call (all of it when `all`), forgotten
// in the same step: what the window must present anew.
Area takeWindowChanges(bool all);
// Copies the area of the client framebuffer into destination for presenting, in the given order:
// destination holds the area's first pixel, rows pitch pixels apart. The area must lie inside the
// framebuffer. Does not ask for another present.
void copyWindowTo(uint32_t* destination, int32_t pitch, Area area, platform::pixels::Order order);

// Called (outside the lock) after the client framebuffer was drawn on; the window thread sets it
// to wake itself and present.
void setPresentRequest(std::function<void()> request);

// The binding fields of an image object: which window its operations draw on and whether the
// drawing is mirrored into the back buffer.
struct WindowBinding {
    bool window = false;     // has a window to draw on when no target is given
    bool backBuffer = false; // knows the window's back buffer
    int32_t bound = 0;       // 1 after binding
};

// Binds an image object's fields to the prompt window (when there is one).
void promptBindPicture(WindowBinding& binding);

} // namespace prompt
