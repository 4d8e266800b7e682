// shooter: the vertical-scrolling shooting game. Reads AREA1.csv from the current folder and runs
// until its window is closed.
#include "assets/icons.hpp"
#include "platform/system.hpp"
#include "runtime/core/process.hpp"
#include "runtime/core/rtmath.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/prompt/prompt.hpp"
#include "shooter/frame_loop.hpp"
#include "shooter/game_state.hpp"
#include "shooter/ground_objects.hpp"
#include "shooter/loading.hpp"
#include "shooter/startup.hpp"

#include <memory>

namespace {

void setTitle(rt::RtString title) {
    prompt::promptSetTitle(rt::rtStrView(title));
    rt::rtStrFree(title);
}

} // namespace

int main() {
    using namespace shooter;
    rt::rtRuntimeInit();

    prompt::promptStart();
    rt::RtString title = rt::rtStrLiteral("タイトル名");
    prompt::promptConfigure(rt::rtStrView(title), assets::shooterIcon(), 640, 490);
    rt::rtStrFree(title);

    const auto state = std::make_unique<GameState>();
    GameState& g = *state;
    g.playSound = playSoundFile;
    // Picture objects are constructed here once the renderer brings them.

    rt::rtRandomize(platform::tickCount());
    setDirections(g);
    loadMap(g);

    // Seam for the pictures: the title "データ読取中 しばらくお待ち下さい" and the loading of
    // every sprite, mask and tile join here, then the window is cleared and the screen and
    // background pictures are captured from it.
    prompt::rtCls(3);

    setInitialSpeed(g);
    // Seam for the speed measurement: the title "CPU速度測定中 しばらくお待ち下さい" and the
    // calibration that sets speedFactor, framesPerRow and frameWait join here. Until then the game
    // runs with speedFactor 1, 16 frames per map row and no wait (frameWait 0).
    roundFrameWait(g);
    setTitle(gameTitle(g));
    prompt::rtCls(3);

    // Seam for the pictures: the background of tile 6 is laid and shown here.
    placeShip(g);
    // Seam for the pictures: the screen and background pictures are captured again here.

    FrameServices services;
    // renderFrame joins here: it draws the frame and, for a row that comes in, starts its ground
    // objects. Until it does, only the starting of ground objects runs.
    services.renderFrame = [](GameState& s) { startRowObjects(s); };
    services.sleep = platform::sleepMs;
    frameLoop(g, services);
}
