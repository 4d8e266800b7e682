// Records a golden run without a window: the game's own start-up and frame loop on the data in the
// current folder, a test clock for the speed measurement (so that a run can be made at the speed
// factor a slower machine measures) and a scripted player, written by the game's own recorder.
//
//   record_golden OUT MEASURED_MS FRAMES SEED [FROM_ROW]
//
// MEASURED_MS is what the clock says the measurement's 230 frames took (1000 gives speed factor 1,
// 5000 gives 2, 60000 gives 16). The run ends after FRAMES frames, measurement included. Prints
// the line a replay of OUT must end with (without frames/s). FROM_ROW starts the map at that row
// as --from-row does (a recording of version 2).
#include "platform/keys.hpp"
#include "runtime/core/process.hpp"
#include "runtime/core/rtmath.hpp"
#include "runtime/prompt/prompt.hpp"
#include "shooter/frame_loop.hpp"
#include "shooter/loading.hpp"
#include "shooter/renderer.hpp"
#include "shooter/replay.hpp"
#include "shooter/replay_hash.hpp"
#include "shooter/startup.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace shooter;

namespace {

// Corners and middle of the ship's room, visited in turn.
constexpr struct {
    double x, y;
} kWaypoints[] = {{20, 180}, {460, 180}, {460, 420}, {20, 420}, {240, 300}, {460, 300}, {240, 180}};

struct Player {
    int64_t frame = 0;
    size_t waypoint = 0;
    int64_t sinceWaypoint = 0;
    // The measurement's frames: the space bar and the arrows move the ship that is not placed yet.
    uint8_t measuring() const {
        uint8_t keys = frame % 8 < 4 ? kKeyBitSpace : 0;
        if (frame < 80)
            keys |= kKeyBitRight | kKeyBitDown;
        else if (frame < 150)
            keys |= kKeyBitLeft;
        else
            keys |= kKeyBitUp | kKeyBitRight;
        return keys;
    }

    // Heads for the next waypoint, or when a fortress hovers, for the place from which a bomb meets
    // its middle (the bomb lands 120 pixels ahead of the ship); fires all the time, bombs often.
    uint8_t playing(const GameState& g) {
        const auto& o = g.obj;
        const double step = 2.0 * g.speedFactor;
        const bool fortress = o.kind[kFortressSlot] == kKindFortress && o.frame[kFortressSlot] != 3;
        double tx = kWaypoints[waypoint].x, ty = kWaypoints[waypoint].y;
        if (fortress && g.fortressTimer > 0) {
            tx = o.x[kFortressSlot] + 84;
            ty = o.y[kFortressSlot] + 212;
        }
        const double x = o.x[kShipSlot], y = o.y[kShipSlot];
        uint8_t keys = 0;
        if (x < tx - step) keys |= kKeyBitRight;
        if (x > tx + step) keys |= kKeyBitLeft;
        if (y < ty - step) keys |= kKeyBitDown;
        if (y > ty + step) keys |= kKeyBitUp;
        const bool there = (keys & kKeyBitsArrows) == 0;
        if (!fortress && (there || ++sinceWaypoint > 400)) {
            waypoint = (waypoint + 1) % std::size(kWaypoints);
            sinceWaypoint = 0;
        }
        if (frame % 4 < 2) keys |= kKeyBitShot;
        if (fortress ? there && frame % 8 == 0 : frame % 24 == 0) keys |= kKeyBitBomb;
        return keys;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: record_golden OUT MEASURED_MS FRAMES SEED [FROM_ROW]\n");
        return 2;
    }
    const std::string out = argv[1];
    const uint32_t measuredMs = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
    const int64_t frames = std::strtoll(argv[3], nullptr, 10);
    const uint32_t seed = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
    const int32_t fromRow = argc == 6 ? static_cast<int32_t>(std::strtol(argv[5], nullptr, 10)) : -1;

    rt::rtRuntimeInit();
    // The window's drawing state as the game's window has it, without a window.
    prompt::createCanvas(1024, 768, 640, 490);
    const auto state = std::make_unique<GameState>();
    GameState& g = *state;
    const auto pictures = std::make_unique<GamePictures>();
    GamePictures& p = *pictures;

    const DataHashes data = hashDataFiles();
    replay::Header header;
    header.seed = seed;
    header.mapHash = data.map;
    header.picturesHash = data.pictures;
    if (fromRow >= 0) {
        header.version = 2;
        header.startRow = fromRow;
    }
    std::string error;
    const auto recorder = replay::Recorder::create(out, header, error);
    if (!recorder) {
        std::fprintf(stderr, "record_golden: %s: %s\n", out.c_str(), error.c_str());
        return 2;
    }
    Player player;
    g.readKeys = [&](uint8_t wanted) {
        if (player.frame == frames) {
            std::printf(
                "%s\n",
                replaySummary(static_cast<uint64_t>(frames), hashState(g), hashWindowPicture(), -1).c_str());
            std::fflush(nullptr);
            std::_Exit(recorder->stopped() ? 1 : 0);
        }
        const uint8_t keys = static_cast<uint8_t>(
            (player.frame < kCalibrationFrames ? player.measuring() : player.playing(g)) & wanted);
        recorder->addFrame(keys);
        ++player.frame;
        return keys;
    };

    // The game's start-up, step by step as the program takes it (titles and waits left out).
    rt::rtRandomize(seed);
    setDirections(g);
    loadMap(g);
    loadPictures(p);
    prompt::rtCls(3);
    prompt::promptPaint();
    captureScreens(p);
    p.screenPicture.putAt(0, 0, picture::kSrcCopy);
    setInitialSpeed(g);
    const auto draw = [&p](GameState& s) { renderFrame(s, p); };
    // The clock moves on with every measured frame, as it would on a machine that slow.
    int64_t measured = 0;
    CalibrationServices calibration;
    calibration.renderFrame = [&](GameState& s) {
        draw(s);
        ++measured;
    };
    calibration.tickCount = [&] { return static_cast<uint32_t>(measured * measuredMs / kCalibrationFrames); };
    measureSpeed(g, calibration);
    roundFrameWait(g);
    recorder->setSpeed(static_cast<uint8_t>(g.speedFactor), static_cast<uint8_t>(rt::toInt32(g.frameWait)));
    prompt::rtCls(3);
    prompt::promptPaint();
    layBackground(p);
    placeShip(g);
    captureScreens(p);
    FrameServices services;
    services.renderFrame = draw;
    frameLoop(g, services, fromRow);
}
