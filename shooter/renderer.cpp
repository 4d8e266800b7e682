#include "shooter/renderer.hpp"

#include "runtime/core/rtmath.hpp"
#include "shooter/ground_objects.hpp"

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
    pixels::Bitmap* target = p.screenPicture.bitmap();
    if (target && mask.bitmap() && sprite.bitmap() &&
        pixels::maskedBlit(*target, px, py, *mask.bitmap(), *sprite.bitmap()))
        return;
    mask.putOnto(p.screenPicture, px, py, -1, -1, picture::kSrcAnd);
    sprite.putOnto(p.screenPicture, px, py, -1, -1, picture::kSrcPaint);
}

void renderFrame(GameState& g, GamePictures& p) {
    for (int slot = kSlotCount - 1; slot >= 0; --slot) {
        if (g.obj.kind[static_cast<size_t>(slot)] > 0) drawSlot(g, p, slot);
    }
    p.screenPicture.putAt(0, kViewOffsetY, picture::kSrcCopy);

    // The clean background one step lower; the top rows keep what the frame held there.
    p.backgroundPicture.putOnto(p.screenPicture, 0, g.speedFactor, -1, -1, picture::kSrcCopy);

    if (rowIsDue(g) && g.mapRow >= 0 && g.mapRow < kMapRows) {
        startRowObjects(g);
        const size_t rowStart = static_cast<size_t>(g.mapRow) * kMapColumns;
        for (int col = 0; col < kMapVisibleColumns; ++col) {
            const int tileCode = g.mapCells[rowStart + static_cast<size_t>(col)] & 0xFF;
            // Codes above 9 draw nothing: the square keeps whatever the scroll left there.
            if (tileCode <= 9)
                p.tilePicture[static_cast<size_t>(tileCode)].putOnto(p.screenPicture, col * kTileSize, 0, -1,
                                                                     -1, 0);
        }
    }

    p.screenPicture.putOnto(p.backgroundPicture, 0, 0, -1, -1, picture::kSrcCopy);
}

} // namespace shooter
