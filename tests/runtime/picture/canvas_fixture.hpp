#pragma once
// A window canvas for picture tests: a screen-sized back buffer and a client framebuffer, made
// fresh (black) for every test and dropped after it.
#include "platform/pixels.hpp"
#include "runtime/picture/surface.hpp"
#include "runtime/prompt/canvas.hpp"
#include "runtime/prompt/canvas_hooks.hpp"
#include "tests/platform/pixel_art.hpp"

#include <gtest/gtest.h>

#include <memory>

class CanvasTest : public ::testing::Test {
  protected:
    static constexpr int32_t kScreenW = 40;
    static constexpr int32_t kScreenH = 30;
    static constexpr int32_t kClientW = 24;
    static constexpr int32_t kClientH = 20;

    void SetUp() override { prompt::createCanvas(kScreenW, kScreenH, kClientW, kClientH); }
    void TearDown() override { prompt::destroyCanvas(); }

    // Copies, so that the test reads them without holding the lock.
    static platform::pixels::Bitmap windowPixels() {
        prompt::CanvasLock canvas;
        return *canvas.window();
    }
    static platform::pixels::Bitmap backPixels() {
        prompt::CanvasLock canvas;
        return *canvas.backBuffer();
    }
    static void paintBack(const platform::pixels::Bitmap& image, int32_t x, int32_t y) {
        prompt::CanvasLock canvas;
        platform::pixels::blit(*canvas.backBuffer(), x, y, image.width, image.height, image, 0, 0,
                               platform::pixels::kSrcCopy);
    }
    static void paintWindow(const platform::pixels::Bitmap& image, int32_t x, int32_t y) {
        prompt::CanvasLock canvas;
        platform::pixels::blit(*canvas.window(), x, y, image.width, image.height, image, 0, 0,
                               platform::pixels::kSrcCopy);
    }
    // The w x h corner at (x, y) of a bitmap.
    static platform::pixels::Bitmap crop(const platform::pixels::Bitmap& b, int32_t x, int32_t y, int32_t w,
                                         int32_t h) {
        platform::pixels::Bitmap out(w, h);
        platform::pixels::blit(out, 0, 0, w, h, b, x, y, platform::pixels::kSrcCopy);
        return out;
    }
    static void give(picture::Surface& s, const platform::pixels::Bitmap& image) {
        s.replaceBitmap(std::make_unique<platform::pixels::Bitmap>(image));
    }
    // Count of pixels that are not black.
    static int countLit(const platform::pixels::Bitmap& b) {
        int n = 0;
        for (platform::pixels::Colour c : b.pixels) n += c != 0;
        return n;
    }
};
