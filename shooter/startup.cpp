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

} // namespace shooter
