#include "shooter/renderer.hpp"

#include "mapfile/mapfile.hpp"
#include "runtime/core/rtmath.hpp"
#include "shooter/ground_objects.hpp"

#include <algorithm>

namespace shooter {

void drawSlot(const GameState& g, GamePictures& p, int slot) {
    const int16_t k = g.obj.kind[static_cast<size_t>(slot)];
    const int16_t f = g.obj.frame[static_cast<size_t>(slot)];
    if (f < 1 || f > kSpriteFrames || k < 1 || k > kSpriteKinds) return;
    const int32_t px = rt::toInt32(g.obj.x[static_cast<size_t>(slot)]);
    const int32_t py = rt::toInt32(g.obj.y[static_cast<size_t>(slot)]);
    picture::Surface& mask = p.mask(k, f);
    picture::Picture& sprite = p.sprite(k, f);
    // The pair in one pass where mask and sprite match: the same pixels as the two blits below.
    platform::pixels::Bitmap* target = p.screenPicture.bitmap();
    if (target && mask.bitmap() && sprite.bitmap() &&
        platform::pixels::maskedBlit(*target, px, py, *mask.bitmap(), *sprite.bitmap()))
        return;
    mask.putOnto(p.screenPicture, px, py, -1, -1, picture::kSrcAnd);
    sprite.putOnto(p.screenPicture, px, py, -1, -1, picture::kSrcPaint);
}

namespace {

// The due map row at y 0 of `target` (tiles 0..9 only, columns 0..31), with its ground objects.
void drawDueRow(GameState& g, GamePictures& p, picture::Surface& target) {
    if (!rowIsDue(g) || g.mapRow < 0 || g.mapRow >= kMapRows) return;
    startRowObjects(g);
    const size_t rowStart = static_cast<size_t>(g.mapRow) * kMapColumns;
    for (int col = 0; col < kMapVisibleColumns; ++col) {
        const int tileCode = mapfile::tileCode(g.mapCells[rowStart + static_cast<size_t>(col)]);
        // Codes above 9 draw nothing: the square keeps whatever the scroll left there.
        if (tileCode <= 9)
            p.tilePicture[static_cast<size_t>(tileCode)].putOnto(target, col * kTileSize, 0, -1, -1, 0);
    }
}

} // namespace

void renderFrame(GameState& g, GamePictures& p) {
    for (int slot = kSlotCount - 1; slot >= 0; --slot) {
        if (g.obj.kind[static_cast<size_t>(slot)] > 0) drawSlot(g, p, slot);
    }

    // Present, then scroll, new row, keep: the frame shown in the window at (0, -14); the clean
    // background one step lower on the frame, whose top rows keep what the frame held there, the
    // due row drawn on it, and the result kept as the background.
    platform::pixels::Bitmap* screen = p.screenPicture.bitmap();
    platform::pixels::Bitmap* background = p.backgroundPicture.bitmap();
    if (screen && background && screen->width == background->width && screen->height == background->height) {
        // The same pixels, made on the background in place and then copied whole onto the frame:
        // one picture less in the processor's cache than going through the frame first. The
        // frame is shown once the background has its top rows, handed to the window rather than
        // copied, as it is drawn anew from the background right after.
        const int32_t step = std::clamp<int32_t>(g.speedFactor, 0, background->height);
        platform::pixels::blit(*background, 0, step, background->width, background->height, *background, 0, 0,
                               picture::kSrcCopy);
        platform::pixels::blit(*background, 0, 0, background->width, step, *screen, 0, 0, picture::kSrcCopy);
        drawDueRow(g, p, p.backgroundPicture);
        p.screenPicture.handOverAt(0, kViewOffsetY);
        p.backgroundPicture.putOnto(p.screenPicture, 0, 0, -1, -1, picture::kSrcCopy);
    } else {
        p.screenPicture.putAt(0, kViewOffsetY, picture::kSrcCopy);
        p.backgroundPicture.putOnto(p.screenPicture, 0, g.speedFactor, -1, -1, picture::kSrcCopy);
        drawDueRow(g, p, p.screenPicture);
        p.screenPicture.putOnto(p.backgroundPicture, 0, 0, -1, -1, picture::kSrcCopy);
    }
}

} // namespace shooter
