#include "shooter/startup.hpp"

#include "runtime/core/numconv.hpp"
#include "runtime/core/rtmath.hpp"

namespace shooter {

void roundFrameWait(GameState& g) {
    if (g.frameWait < 0.5) {
        g.frameWait = 0;
    } else {
        g.frameWait = rt::rtInt(g.frameWait) + 1;
    }
}

rt::RtString gameTitle(const GameState& g) {
    rt::RtString s = rt::rtStrLiteral("ガルモアっぽいモノの作成実験 ");
    s = rt::rtStrConcat(s, rt::rtNumToStr(g.speedFactor));
    s = rt::rtStrConcat(s, rt::rtStrLiteral("ドットスクロール - ウェイト("));
    s = rt::rtStrConcat(s, rt::rtNumToStr(g.frameWait));
    return rt::rtStrConcat(s, rt::rtStrLiteral(")"));
}

void captureScreens(GamePictures& p) {
    p.screenPicture.captureWindow(0, 0, kPlayfieldWidth, kPlayfieldHeight);
    p.backgroundPicture.captureWindow(0, 0, kPlayfieldWidth, kPlayfieldHeight);
    p.backgroundTop = 0;
}

void layBackground(GamePictures& p) {
    picture::Picture& tile = p.tilePicture[6];
    for (int row = 0; row <= 27; ++row)
        for (int col = 0; col <= 31; ++col)
            tile.putOnto(p.screenPicture, col * kTileSize, row * kTileSize, -1, -1, 0);
    p.screenPicture.putAt(0, 0, picture::kSrcCopy);
}

} // namespace shooter
