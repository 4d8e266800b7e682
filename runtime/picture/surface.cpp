#include "runtime/picture/surface.hpp"

#include "platform/image.hpp"
#include "runtime/core/rtmath.hpp"

namespace picture {

Size fitSize(int32_t w, int32_t h, int32_t bw, int32_t bh) {
    if (w <= 0 && h <= 0) return {bw, bh};
    // A zero-sized bitmap has no aspect ratio; the missing side stays 0 (nothing is drawn).
    if (h <= 0) h = bw > 0 ? rt::toInt32(w * (static_cast<double>(bh) / bw)) : 0;
    if (w <= 0) w = bh > 0 ? rt::toInt32(h * (static_cast<double>(bw) / bh)) : 0;
    return {w, h};
}

int32_t Surface::put(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rop,
                     platform::pixels::Bitmap* target) {
    if (!bitmap_) return 0;
    if (rop == 0) rop = kSrcCopy;
    const platform::pixels::Bitmap& src = *bitmap_;
    const Size size = fitSize(w, h, src.width, src.height);
    const auto draw = [&](platform::pixels::Bitmap& dst) {
        return platform::pixels::stretchBlit(dst, x, y, size.w, size.h, src, 0, 0, src.width, src.height, rop)
                   ? 1
                   : 0;
    };
    if (target) return draw(*target);
    if (!binding_.window) return 0; // never bound: there is no window to draw on
    prompt::CanvasLock canvas;
    const bool mirror = binding_.bound == 1 && binding_.backBuffer;
    if (mirror && rop == kSrcCopy) {
        // An opaque copy: the back buffer takes its pixels from the window when it next matters.
        if (platform::pixels::Bitmap* window = canvas.windowMirroredLater(x, y, size.w, size.h))
            return draw(*window);
    }
    platform::pixels::Bitmap* window = canvas.window();
    if (!window) return 0;
    const int32_t result = draw(*window);
    if (mirror) {
        if (platform::pixels::Bitmap* back = canvas.backBuffer()) draw(*back);
    }
    return result;
}

int32_t Surface::handOverAt(int32_t x, int32_t y) {
    if (bitmap_ && binding_.window && binding_.bound == 1 && binding_.backBuffer) {
        prompt::CanvasLock canvas;
        if (canvas.windowTakes(*bitmap_, x, y)) return 1;
    }
    return putAt(x, y, kSrcCopy);
}

int32_t Surface::redrawShownAt(int32_t x, int32_t y,
                               const std::function<void(platform::pixels::Bitmap&)>& draw) {
    if (!bitmap_ || !binding_.window || binding_.bound != 1 || !binding_.backBuffer) return 0;
    prompt::CanvasLock canvas;
    platform::pixels::Bitmap* shown = canvas.shownPicture(x, y, bitmap_->width, bitmap_->height);
    if (!shown) return 0;
    draw(*shown);
    return 1;
}

int32_t Surface::putOnto(Surface& target, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rop) {
    return putOnto(target.bitmap(), x, y, w, h, rop);
}

int32_t Surface::putOnto(platform::pixels::Bitmap* targetBitmap, int32_t x, int32_t y, int32_t w, int32_t h,
                         uint32_t rop) {
    if (!targetBitmap || targetBitmap == bitmap_.get()) return 0;
    return put(x, y, w, h, rop, targetBitmap);
}

int32_t Surface::capture(int32_t x, int32_t y, int32_t w, int32_t h, const platform::pixels::Bitmap* source) {
    // The old bitmap goes first; it is only kept alive until the end when it is itself the source.
    std::unique_ptr<platform::pixels::Bitmap> old = std::move(bitmap_);
    if (source != old.get()) old.reset();
    if (!source && !binding_.window) return 0; // no window to copy from or to be like
    if (!platform::imageSizeAllowed(w, h)) return 0;
    bitmap_ = std::make_unique<platform::pixels::Bitmap>(w, h, 0);
    platform::pixels::Bitmap& copy = *bitmap_;
    if (binding_.bound == 1) {
        // A bound Surface reads the back buffer, whatever source it was given.
        prompt::CanvasLock canvas;
        if (platform::pixels::Bitmap* back = canvas.backBuffer())
            platform::pixels::blit(copy, 0, 0, w, h, *back, x, y, kSrcCopy);
        return 1;
    }
    if (source) return platform::pixels::blit(copy, 0, 0, w, h, *source, x, y, kSrcCopy) ? 1 : 0;
    prompt::CanvasLock canvas;
    const platform::pixels::Bitmap* window = canvas.window();
    if (!window) return 0;
    return platform::pixels::blit(copy, 0, 0, w, h, *window, x, y, kSrcCopy) ? 1 : 0;
}

int32_t Surface::captureFrom(Surface& source, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!source.bitmap() || source.bitmap() == bitmap_.get()) return 0;
    return capture(x, y, w, h, source.bitmap());
}

void Surface::setPixel(int32_t x, int32_t y, platform::pixels::Colour colour,
                       platform::pixels::Bitmap* target) {
    if (target) platform::pixels::setPixel(*target, x, y, colour);
    const bool onWindow = !target && binding_.window;
    const bool mirror = binding_.bound == 1 && binding_.backBuffer;
    if (!onWindow && !mirror) return;
    prompt::CanvasLock canvas;
    if (onWindow) {
        if (platform::pixels::Bitmap* window = canvas.window())
            platform::pixels::setPixel(*window, x, y, colour);
    }
    if (mirror) {
        if (platform::pixels::Bitmap* back = canvas.backBuffer())
            platform::pixels::setPixel(*back, x, y, colour);
    }
}

void Surface::setPixelOn(int32_t x, int32_t y, platform::pixels::Colour colour) {
    if (bitmap_) setPixel(x, y, colour, bitmap_.get());
}

void promptBindPicture(Surface& surface) {
    prompt::promptBindPicture(surface.binding());
}

} // namespace picture
