// shooter: the vertical-scrolling shooting game. Reads AREA1.csv and its pictures from the current
// folder and runs until its window is closed, or until the end of the run it replays.
#include "assets/icons.hpp"
#include "platform/system.hpp"
#include "platform/window.hpp"
#include "runtime/core/process.hpp"
#include "runtime/core/rtmath.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/prompt/prompt.hpp"
#include "shooter/frame_loop.hpp"
#include "shooter/game_state.hpp"
#include "shooter/loading.hpp"
#include "shooter/options.hpp"
#include "shooter/pictures.hpp"
#include "shooter/play_folder.hpp"
#include "shooter/player_keys.hpp"
#include "shooter/renderer.hpp"
#include "shooter/replay.hpp"
#include "shooter/startup.hpp"
#include "shooter/timing.hpp"

#include <memory>

namespace {

void setTitle(rt::RtString title) {
    prompt::promptSetTitle(rt::rtStrView(title));
    rt::rtStrFree(title);
}

} // namespace

int main(int argc, char** argv) {
    using namespace shooter;
    // Answered before anything else: --help and --version need no window and no display.
    const rt::Options options = rt::handleCommandLine(argc, argv, shooterProgram());
    const int32_t scale =
        rt::wholeNumberOption(options, "--scale", 1, platform::window::kMaxScale, shooterProgram())
            .value_or(0);
    notePlayFolder();
    // A recording's file is created, or a replay's read and checked, before any window opens.
    RunSession session(options, shooterProgram());
    rt::rtRuntimeInit();

    prompt::promptStart({"shooter", scale, !options.value("--no-vsync")});
    rt::RtString title = rt::rtStrLiteral("タイトル名");
    prompt::promptConfigure(rt::rtStrView(title), assets::windowIcons(assets::shooterIcon()), 640, 490);
    rt::rtStrFree(title);
    placeNoticesOnPanel();

    const auto state = std::make_unique<GameState>();
    GameState& g = *state;
    session.attach(g);
    const auto pictures = std::make_unique<GamePictures>();
    GamePictures& p = *pictures;

    rt::rtRandomize(session.seed());
    setDirections(g);
    loadMap(g);

    setTitle(rt::rtStrLiteral("データ読取中 しばらくお待ち下さい"));
    loadPictures(p);
    prompt::rtCls(3);
    captureScreens(p);
    p.screenPicture.putAt(0, 0, picture::kSrcCopy);

    setInitialSpeed(g);
    setTitle(rt::rtStrLiteral("CPU速度測定中 しばらくお待ち下さい"));
    const auto draw = [&p](GameState& s) { renderFrame(s, p); };
    session.calibrate(g, {draw, platform::tickCount});
    setTitle(gameTitle(g));
    prompt::rtCls(3);

    layBackground(p);
    placeShip(g);
    captureScreens(p);

    // The player's pause and mute keys are looked at after each frame's wait, outside the frame.
    PlayerKeys playerKeys(PlayerKeys::programServices());
    FrameServices services;
    services.renderFrame = draw;
    services.sleep = [&playerKeys, sleep = session.frameSleep()](int32_t ms) {
        if (sleep) sleep(ms);
        playerKeys.betweenFrames();
    };
    frameLoop(g, services, session.startRow());
}
