#include "shooter/renderer.hpp"

#include "mapfile/mapfile.hpp"
#include "runtime/core/rtmath.hpp"
#include "shooter/ground_objects.hpp"

#include <algorithm>
#include <array>
#include <cstring>

namespace shooter {

namespace {

// What a slot draws: nothing (a kind outside 1..30, a frame outside 1..3), its mask and sprite
// in one pass where the two match, or the mask's and the sprite's blits.
enum class SlotDraw { Nothing, OnePass, TwoBlits };

struct SlotPictures {
    SlotDraw draw = SlotDraw::Nothing;
    int32_t x = 0, y = 0; // truncated toward zero
    const platform::pixels::Bitmap* mask = nullptr;
    const platform::pixels::Bitmap* sprite = nullptr;
};

SlotPictures slotPictures(const GameState& g, GamePictures& p, int slot) {
    const int16_t k = g.obj.kind[static_cast<size_t>(slot)];
    const int16_t f = g.obj.frame[static_cast<size_t>(slot)];
    SlotPictures s;
    if (f < 1 || f > kSpriteFrames || k < 1 || k > kSpriteKinds) return s;
    s.x = rt::toInt32(g.obj.x[static_cast<size_t>(slot)]);
    s.y = rt::toInt32(g.obj.y[static_cast<size_t>(slot)]);
    s.mask = p.mask(k, f).bitmap();
    s.sprite = p.sprite(k, f).bitmap();
    const platform::pixels::Bitmap* target = p.screenPicture.bitmap();
    const bool pair = target && s.mask && s.sprite && s.mask->width == s.sprite->width &&
                      s.mask->height == s.sprite->height && s.mask != target && s.sprite != target;
    s.draw = pair ? SlotDraw::OnePass : SlotDraw::TwoBlits;
    return s;
}

} // namespace

void drawSlot(const GameState& g, GamePictures& p, int slot) {
    const SlotPictures s = slotPictures(g, p, slot);
    // The pair in one pass where mask and sprite match: the same pixels as the two blits below.
    if (s.draw == SlotDraw::Nothing ||
        (s.draw == SlotDraw::OnePass &&
         platform::pixels::maskedBlit(*p.screenPicture.bitmap(), s.x, s.y, *s.mask, *s.sprite)))
        return;
    const int16_t k = g.obj.kind[static_cast<size_t>(slot)];
    const int16_t f = g.obj.frame[static_cast<size_t>(slot)];
    p.mask(k, f).putOnto(p.screenPicture, s.x, s.y, -1, -1, picture::kSrcAnd);
    p.sprite(k, f).putOnto(p.screenPicture, s.x, s.y, -1, -1, picture::kSrcPaint);
}

namespace {

// The due map row at y `top` of `target` (tiles 0..9 only, columns 0..31), with its ground objects.
// On a ring of rows `ringHeight` high, what would fall past the ring's end goes on from its row 0.
void drawDueRow(GameState& g, GamePictures& p, picture::Surface& target, int32_t top = 0,
                int32_t ringHeight = 0) {
    if (!rowIsDue(g) || g.mapRow < 0 || g.mapRow >= kMapRows) return;
    startRowObjects(g);
    const size_t rowStart = static_cast<size_t>(g.mapRow) * kMapColumns;
    for (int col = 0; col < kMapVisibleColumns; ++col) {
        const int tileCode = mapfile::tileCode(g.mapCells[rowStart + static_cast<size_t>(col)]);
        // Codes above 9 draw nothing: the square keeps whatever the scroll left there.
        if (tileCode > 9) continue;
        picture::Picture& tile = p.tilePicture[static_cast<size_t>(tileCode)];
        tile.putOnto(target, col * kTileSize, top, -1, -1, 0);
        const platform::pixels::Bitmap* t = tile.bitmap();
        platform::pixels::Bitmap* ring = target.bitmap();
        if (ringHeight > 0 && t && ring && top + t->height > ringHeight)
            platform::pixels::blit(*ring, col * kTileSize, top - ringHeight, t->width,
                                   std::min(t->height, ringHeight), *t, 0, 0, picture::kSrcCopy);
    }
}

// Rows [from, from + n) of the ring that starts at row `top` of `ring`, to or from the same rows
// of `flat`, a bitmap of the ring's size: rows of both lie next to each other, so each part that
// does not wrap round the ring's end is one block of memory.
void ringRows(platform::pixels::Bitmap& ring, int32_t top, platform::pixels::Bitmap& flat, int32_t from,
              int32_t n, bool toRing) {
    const auto w = static_cast<size_t>(ring.width);
    const int32_t h = ring.height;
    const int32_t start = (top + from) % h;
    const int32_t first = std::min(n, h - start);
    const auto copy = [&](int32_t ringRow, int32_t flatRow, int32_t rows) {
        if (rows <= 0) return;
        platform::pixels::Colour* r = ring.pixels.data() + static_cast<size_t>(ringRow) * w;
        platform::pixels::Colour* f = flat.pixels.data() + static_cast<size_t>(flatRow) * w;
        std::memcpy(toRing ? r : f, toRing ? f : r, static_cast<size_t>(rows) * w * sizeof *r);
    };
    copy(start, from, first);
    copy(0, from + first, n - first);
}

// The busy slots' pictures, from slot 100 down to 0 (lower slots on top, the ship last); false
// where a mask and a sprite do not match, which then go through the picture objects.
struct Sprites {
    std::array<SlotPictures, kSlotCount> drawn;
    size_t count = 0;
};
bool bandedSprites(const GameState& g, GamePictures& p, Sprites& out) {
    for (int slot = kSlotCount - 1; slot >= 0; --slot) {
        if (g.obj.kind[static_cast<size_t>(slot)] <= 0) continue;
        const SlotPictures s = slotPictures(g, p, slot);
        if (s.draw == SlotDraw::TwoBlits) return false;
        if (s.draw != SlotDraw::Nothing) out.drawn[out.count++] = s;
    }
    return true;
}

// The frame drawn anew: the background with every busy slot over it, a band of rows at a time,
// each still in the processor's nearest caches when its sprites go over it; as every pixel of a
// row is made from that row alone, the pixels are those of the whole background followed by each
// sprite in turn.
void composeBands(const Sprites& sprites, platform::pixels::Bitmap& screen, platform::pixels::Bitmap& ring,
                  int32_t top) {
    const int32_t h = ring.height;
    constexpr int32_t kBandRows = 32;
    for (int32_t y0 = 0; y0 < h; y0 += kBandRows) {
        const int32_t y1 = std::min(h, y0 + kBandRows);
        ringRows(ring, top, screen, y0, y1 - y0, false);
        for (size_t i = 0; i < sprites.count; ++i) {
            const SlotPictures& s = sprites.drawn[i];
            if (s.y < y1 && int64_t{s.y} + s.mask->height > y0)
                platform::pixels::maskedBlit(screen, s.x, s.y, *s.mask, *s.sprite, y0, y1);
        }
    }
}

// The frame drawn whole through the picture objects.
void composeWhole(const GameState& g, GamePictures& p, platform::pixels::Bitmap& screen,
                  platform::pixels::Bitmap& ring, int32_t top) {
    ringRows(ring, top, screen, 0, ring.height, false);
    for (int slot = kSlotCount - 1; slot >= 0; --slot)
        if (g.obj.kind[static_cast<size_t>(slot)] > 0) drawSlot(g, p, slot);
}

} // namespace

void renderFrame(GameState& g, GamePictures& p) {
    // Present, then scroll, new row, keep: the frame shown in the window at (0, -14); the clean
    // background one step lower on the frame, whose top rows keep what the frame held there, the
    // due row drawn on it, and the result kept as the background.
    platform::pixels::Bitmap* screen = p.screenPicture.bitmap();
    platform::pixels::Bitmap* background = p.backgroundPicture.bitmap();
    if (screen && background && screen->width == background->width && screen->height == background->height &&
        background->height > 0) {
        // The same pixels, with one copy of the picture a frame. The frame is the background
        // with the sprites over it, drawn from the background right before the sprites (nothing
        // reads the frame in between). The background, a ring of rows, goes one step lower by
        // starting that many rows earlier (over the rows the step pushes off the bottom), takes
        // the frame's top rows and gets the due row; the frame is handed to the window rather
        // than copied.
        // Where the window still shows the frame handed over last, the new one is drawn in its
        // place, and the same pixels serve every frame.
        const int32_t h = background->height;
        int32_t& top = p.backgroundTop;
        const int32_t step = std::clamp<int32_t>(g.speedFactor, 0, h);
        const int32_t next = ((top - step) % h + h) % h;
        const auto scroll = [&](platform::pixels::Bitmap& frame) {
            ringRows(*background, next, frame, 0, step, true);
        };
        Sprites sprites;
        const bool banded = bandedSprites(g, p, sprites);
        const bool inPlace =
            banded && p.screenPicture.redrawShownAt(0, kViewOffsetY, [&](platform::pixels::Bitmap& shown) {
                composeBands(sprites, shown, *background, top);
                scroll(shown);
            });
        if (!inPlace) {
            if (banded)
                composeBands(sprites, *screen, *background, top);
            else
                composeWhole(g, p, *screen, *background, top);
            scroll(*screen);
        }
        top = next;
        drawDueRow(g, p, p.backgroundPicture, top, h);
        if (!inPlace) p.screenPicture.handOverAt(0, kViewOffsetY);
    } else {
        for (int slot = kSlotCount - 1; slot >= 0; --slot) {
            if (g.obj.kind[static_cast<size_t>(slot)] > 0) drawSlot(g, p, slot);
        }
        p.screenPicture.putAt(0, kViewOffsetY, picture::kSrcCopy);
        p.backgroundPicture.putOnto(p.screenPicture, 0, g.speedFactor, -1, -1, picture::kSrcCopy);
        drawDueRow(g, p, p.screenPicture);
        p.screenPicture.putOnto(p.backgroundPicture, 0, 0, -1, -1, picture::kSrcCopy);
    }
}

platform::pixels::Bitmap backgroundRows(GamePictures& p) {
    const platform::pixels::Bitmap* background = p.backgroundPicture.bitmap();
    if (!background) return {};
    platform::pixels::Bitmap rows = *background;
    if (rows.height > 0)
        std::rotate(rows.pixels.begin(),
                    rows.pixels.begin() + static_cast<ptrdiff_t>(p.backgroundTop % rows.height) * rows.width,
                    rows.pixels.end());
    return rows;
}

} // namespace shooter
