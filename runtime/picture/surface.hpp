#pragma once
// Surface: an image object that draws onto the window, onto another Surface or onto a bitmap with
// a raster operation, is filled by capturing part of the window or of another Surface, and is
// changed pixel by pixel.
//
// "The window" is the prompt window's client framebuffer. A bound Surface (promptBindPicture)
// mirrors whatever it draws on the window into the window's back buffer, so that it survives
// repainting, and its captures read that back buffer. A Surface that was never bound has no
// window: drawing on the window draws nothing and answers 0.
#include "platform/pixels.hpp"
#include "runtime/prompt/canvas.hpp"

#include <cstdint>
#include <functional>
#include <memory>

namespace picture {

using platform::pixels::kSrcAnd;
using platform::pixels::kSrcCopy;
using platform::pixels::kSrcPaint;

struct Size {
    int32_t w = 0;
    int32_t h = 0;
    bool operator==(const Size&) const = default;
};

// The drawn size of a bw x bh bitmap asked to fill w x h: a size <= 0 counts as not given; both
// missing gives the natural size, one missing keeps the aspect ratio (double ratio, product
// truncated toward zero).
Size fitSize(int32_t w, int32_t h, int32_t bw, int32_t bh);

class Surface {
  public:
    Surface() = default;
    virtual ~Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // The image, or null when there is none. The Surface owns it.
    platform::pixels::Bitmap* bitmap() const { return bitmap_.get(); }
    int32_t width() const { return bitmap_ ? bitmap_->width : 0; }
    int32_t height() const { return bitmap_ ? bitmap_->height : 0; }
    void deleteBitmap() { bitmap_.reset(); }
    void replaceBitmap(std::unique_ptr<platform::pixels::Bitmap> newBitmap) {
        bitmap_ = std::move(newBitmap);
    }

    // Draws the whole bitmap stretched into (x, y, w, h) of `target`, or of the window when target is
    // null (mirrored into the back buffer when bound). w, h as in fitSize; rop 0 = SRCCOPY.
    // Returns nonzero on success, 0 when there is no bitmap or nothing to draw on.
    int32_t put(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rop = 0,
                platform::pixels::Bitmap* target = nullptr);
    // put at natural size on the window.
    int32_t putAt(int32_t x, int32_t y, uint32_t rop = 0) { return put(x, y, 0, 0, rop, nullptr); }
    // putAt with SRCCOPY for a picture drawn anew after it is shown: the window may take the
    // bitmap's pixels instead of copying them, and leave it pixels of the same size whose values
    // are unspecified (where it cannot, this is putAt and the pixels stay).
    int32_t handOverAt(int32_t x, int32_t y);
    // For a picture of this one's size that the window was handed at (x, y) and still shows
    // there: `draw` draws all of it anew on the pixels shown, which the window then shows as the
    // next handOverAt would; nonzero. Where the window shows no such picture, 0 and nothing is
    // drawn. draw must not draw on the window itself (the window waits for it).
    int32_t redrawShownAt(int32_t x, int32_t y, const std::function<void(platform::pixels::Bitmap&)>& draw);
    // put into another Surface's bitmap (never mirrored). Onto itself, or onto a Surface without
    // bitmap, it draws nothing and returns 0.
    int32_t putOnto(Surface& target, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rop = 0);
    // The same, given the target's bitmap.
    int32_t putOnto(platform::pixels::Bitmap* targetBitmap, int32_t x, int32_t y, int32_t w, int32_t h,
                    uint32_t rop = 0);

    // Replaces the bitmap (the old one is released first, even when the new copy then fails) by a
    // w x h copy of the rectangle at (x, y): of the back buffer when bound, else of `source`, or of
    // the window when source is null. Parts outside what is read stay black. Returns 1 when the new
    // bitmap was made (and, unbound, copied), else 0.
    int32_t capture(int32_t x, int32_t y, int32_t w, int32_t h,
                    const platform::pixels::Bitmap* source = nullptr);
    int32_t captureWindow(int32_t x, int32_t y, int32_t w, int32_t h) { return capture(x, y, w, h, nullptr); }
    // capture from another Surface's bitmap (from the back buffer when bound). From itself, or from
    // a Surface without bitmap, it returns 0 and keeps the bitmap.
    int32_t captureFrom(Surface& source, int32_t x, int32_t y, int32_t w, int32_t h);

    // Sets one pixel of `target`, or of the window when target is null; when bound also the same
    // pixel of the back buffer (even when a target was given).
    void setPixel(int32_t x, int32_t y, platform::pixels::Colour colour, platform::pixels::Bitmap* target);
    // setPixel on the Surface's own bitmap (nothing when there is none).
    void setPixelOn(int32_t x, int32_t y, platform::pixels::Colour colour);

    prompt::WindowBinding& binding() { return binding_; }
    const prompt::WindowBinding& binding() const { return binding_; }
    bool isBound() const { return binding_.bound == 1; }

  private:
    std::unique_ptr<platform::pixels::Bitmap> bitmap_;
    prompt::WindowBinding binding_;
};

// Binds a Surface (or Picture) to the prompt window: from then on its drawings on the window are
// mirrored into the back buffer and its captures read the back buffer.
void promptBindPicture(Surface& surface);

} // namespace picture
