#include "shooter/loading.hpp"

#include "mapfile/mapfile.hpp"
#include "runtime/core/numconv.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/prompt/prompt.hpp"

#include <algorithm>

namespace shooter {

void readMap(GameState& g, const std::string& path) {
    mapfile::GameMap map;
    mapfile::readMapFile(map, path);
    std::copy_n(map.cells.begin(), g.mapCells.size(), g.mapCells.begin());
    // Without a complete row the loop would run no frame at all and spin without waiting.
    g.lastRow = std::max<int16_t>(map.lastRow, 0);
}

void loadMap(GameState& g) {
    readMap(g, mapfile::kMapFileName);
    prompt::rtLocate(70, 0);
    prompt::rtPrint(rt::rtStrConcat(rt::rtNumToStr(g.lastRow), rt::rtStrLiteral("\r\n")));
}

void loadPictures(GamePictures& p) {
    picture::promptBindPicture(p.maskSourcePicture);
    for (int k = 1; k <= kSpriteKinds; ++k) {
        for (int f = 1; f <= kSpriteFrames; ++f) picture::promptBindPicture(p.sprite(k, f));
        for (int f = 1; f <= kSpriteFrames; ++f) picture::promptBindPicture(p.mask(k, f));
    }
    picture::promptBindPicture(p.screenPicture);
    picture::promptBindPicture(p.backgroundPicture);
    p.screenPicture.captureWindow(0, 0, kPlayfieldWidth, kPlayfieldHeight);

    // Frame-major: every kind's first frame before any second frame.
    for (int f = 1; f <= kSpriteFrames; ++f) {
        for (int k = 1; k <= kSpriteKinds; ++k) {
            picture::Picture& sprite = p.sprite(k, f);
            const std::string name = spriteFileName(k, f);
            if (sprite.loadPicture(name) != 1) continue;
            p.maskSourcePicture.loadPicture(name);
            buildMask(p);
            p.mask(k, f).captureFrom(p.screenPicture, 0, 0, sprite.width(), sprite.height());
        }
    }
    // Kind-major this time. Each sprite's own scan is let finish first: switching scans off is
    // refused while one runs, and a later load of that sprite must not scan again.
    for (int k = 1; k <= kSpriteKinds; ++k) {
        for (int f = 1; f <= kSpriteFrames; ++f) {
            p.sprite(k, f).waitPixelInfo();
            p.sprite(k, f).setScanDelay(-1);
        }
    }

    for (int t = 0; t < kTileCount; ++t) {
        picture::Picture& tile = p.tilePicture[static_cast<size_t>(t)];
        tile.setScanDelay(-1);
        picture::promptBindPicture(tile);
        tile.loadPicture(tileFileName(t));
    }
}

void buildMask(GamePictures& p) {
    const picture::Picture& source = p.maskSourcePicture;
    // The scan's completion wakes us; a table that cannot come leaves every answer 0 (white).
    source.waitPixelInfo();
    const int32_t w = source.width();
    const int32_t h = source.height();
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const platform::pixels::Colour colour = source.pixelAt(x, y);
            p.screenPicture.setPixelOn(
                x, y, colour == 0 ? platform::pixels::Colour{0xFFFFFF} : platform::pixels::Colour{0});
        }
    }
}

std::string spriteFileName(int kind, int frame) {
    std::string name = "bmp\\chr";
    if (kind < 10) name += '0';
    name += std::to_string(kind) + "-" + std::to_string(frame) + ".BMP";
    return name;
}

std::string tileFileName(int tile) {
    return "bmp\\" + std::to_string(tile) + ".bmp";
}

} // namespace shooter
