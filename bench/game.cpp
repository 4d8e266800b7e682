// One whole frame of the game (input, the nine movement routines and renderFrame with the default
// pictures: sprites with masks, present, scroll, a due row) with every slot of the object table in
// use, against the memcpy of one 512 x 474 picture; and the start-up's picture loading and speed
// measurement. And a soak run: a million frames of the real loop on the default map.
#include "platform/keys.hpp"
#include "runtime/core/rtmath.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/prompt/canvas.hpp"
#include "shooter/frame_loop.hpp"
#include "shooter/game_state.hpp"
#include "shooter/ground_objects.hpp"
#include "shooter/loading.hpp"
#include "shooter/renderer.hpp"
#include "shooter/startup.hpp"
#include "shooter/timing.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

using namespace shooter;

namespace {

// The part of the state a frame changes, so that every iteration starts from the same full table.
struct Moving {
    ObjectTable obj;
    std::array<int16_t, kShotCount> shotActive{};
    int16_t bombTimer = 0;
    std::array<int16_t, kFlashCount> flashTimer{};
    std::array<int16_t, kGroundCount> wreckTimer{};
    std::array<double, kEnemyCount> enemyDX{}, enemyDY{};
    std::array<int16_t, kEnemyCount> enemyCount{};
    std::array<double, kBulletCount> bulletVX{}, bulletVY{};
    std::array<int16_t, kGroundCount> groundTimer{}, pathStep{}, pathDir{};
    std::array<double, kGroundCount> pathCol{}, pathRow{};
    int16_t fortressTimer = 0;
    int16_t scrollCounter = 0;
};

Moving save(const GameState& g) {
    return {g.obj,     g.shotActive, g.bombTimer, g.flashTimer,    g.wreckTimer,   g.enemyDX,
            g.enemyDY, g.enemyCount, g.bulletVX,  g.bulletVY,      g.groundTimer,  g.pathStep,
            g.pathDir, g.pathCol,    g.pathRow,   g.fortressTimer, g.scrollCounter};
}

void restore(GameState& g, const Moving& m) {
    g.obj = m.obj;
    g.shotActive = m.shotActive;
    g.bombTimer = m.bombTimer;
    g.flashTimer = m.flashTimer;
    g.wreckTimer = m.wreckTimer;
    g.enemyDX = m.enemyDX;
    g.enemyDY = m.enemyDY;
    g.enemyCount = m.enemyCount;
    g.bulletVX = m.bulletVX;
    g.bulletVY = m.bulletVY;
    g.groundTimer = m.groundTimer;
    g.pathStep = m.pathStep;
    g.pathDir = m.pathDir;
    g.pathCol = m.pathCol;
    g.pathRow = m.pathRow;
    g.fortressTimer = m.fortressTimer;
    g.scrollCounter = m.scrollCounter;
}

std::unique_ptr<GameState> fullTable() {
    auto state = std::make_unique<GameState>();
    GameState& g = *state;
    setDirections(g);
    setInitialSpeed(g);
    placeShip(g);
    g.lastRow = 100;
    // A path line along row 50 with a row due that holds a code in every column.
    for (int col = 0; col < 32; ++col) g.mapCells[static_cast<size_t>(50 * kMapColumns + col)] = 0x1000;
    for (int col = 0; col < 32; ++col) g.mapCells[static_cast<size_t>(60 * kMapColumns + col)] = 0x0203;
    g.scrollCounter = 60 * 16;
    auto& o = g.obj;
    for (int s = 3; s <= 5; ++s) {
        o.kind[s] = kKindFlash;
        o.frame[s] = 1;
        g.flashTimer[s - 3] = 15;
    }
    for (int i = 0; i < 3; ++i) {
        g.shotActive[i] = 1;
        o.kind[6 + i] = kKindShot;
        o.frame[6 + i] = 1;
        o.x[6 + i] = 100 + 40 * i;
        o.y[6 + i] = 380;
    }
    for (int i = 0; i < kEnemyCount; ++i) {
        const int s = 9 + i;
        o.kind[s] = kKindEnemy;
        o.frame[s] = i % 2 ? 1 : 2;
        o.x[s] = 20 + 40 * i;
        o.y[s] = 100;
        g.enemyDX[i] = 0.5;
        g.enemyDY[i] = 1.5;
        g.enemyCount[i] = static_cast<int16_t>(i == 1 ? 0 : 60); // one of them fires
    }
    for (int i = 0; i < kBulletCount; ++i) {
        o.kind[21 + i] = kKindBullet;
        o.frame[21 + i] = 1;
        o.x[21 + i] = 10 + 15 * i;
        o.y[21 + i] = 200;
        g.bulletVX[i] = 1;
        g.bulletVY[i] = 2;
    }
    o.kind[kBombSlot] = kKindShot;
    o.frame[kBombSlot] = 2;
    o.x[kBombSlot] = 200;
    o.y[kBombSlot] = 300;
    o.kind[kMarkerSlot] = kKindShip;
    o.frame[kMarkerSlot] = 3;
    o.x[kMarkerSlot] = 200;
    o.y[kMarkerSlot] = 150;
    g.bombTimer = 134;
    o.kind[kFortressSlot] = kKindFortress;
    o.frame[kFortressSlot] = 1;
    o.x[kFortressSlot] = 160;
    o.y[kFortressSlot] = 80;
    g.fortressTimer = 300;
    const int16_t groundKinds[5] = {11, 12, 13, 14, 15};
    for (int i = 0; i < kGroundCount; ++i) {
        const int s = 61 + i;
        o.kind[s] = groundKinds[i % 5];
        o.frame[s] = 1;
        o.x[s] = 16 * i;
        o.y[s] = 200;
        g.groundTimer[i] = static_cast<int16_t>(i % 5 == 4 ? 1 : 30);
        g.pathCol[i] = i;
        g.pathRow[i] = 50;
        g.pathDir[i] = 3;
        o.kind[81 + i] = i % 2 ? kKindExplosion : kKindWreck;
        o.frame[81 + i] = 1;
        o.x[81 + i] = 16 * i;
        o.y[81 + i] = 250;
        g.wreckTimer[i] = static_cast<int16_t>(i % 2 ? 20 : -10);
    }
    return state;
}

// The default pictures loaded the game's way, over a window canvas of a desktop's size.
std::unique_ptr<GamePictures> loadedPictures() {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(GAME_DATA_DIR);
    if (!prompt::canvasExists()) prompt::createCanvas(1280, 1024, 640, 490);
    auto pictures = std::make_unique<GamePictures>();
    loadPictures(*pictures);
    captureScreens(*pictures);
    layBackground(*pictures);
    captureScreens(*pictures);
    std::filesystem::current_path(previous);
    return pictures;
}

void BM_Memcpy512x474(benchmark::State& bench) {
    std::vector<uint32_t> src(512 * 474, 0x123456), dst(512 * 474);
    for (auto _ : bench) {
        std::memcpy(dst.data(), src.data(), src.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}

void BM_GameFrame(benchmark::State& bench) {
    auto state = fullTable();
    GameState& g = *state;
    const Moving start = save(g);
    platform::keys::setKeyDown(37, true);
    platform::keys::setKeyDown(38, true);
    auto pictures = loadedPictures();
    FrameServices services;
    services.renderFrame = [&pictures](GameState& s) { renderFrame(s, *pictures); };
    rt::rtRandomize(7);
    for (auto _ : bench) {
        restore(g, start);
        runFrame(g, services);
        benchmark::DoNotOptimize(g.obj);
    }
    platform::keys::releaseAll();
}

// What the restoring alone costs, to subtract from the frame.
void BM_GameFrameRestoreOnly(benchmark::State& bench) {
    auto state = fullTable();
    GameState& g = *state;
    const Moving start = save(g);
    for (auto _ : bench) {
        restore(g, start);
        benchmark::DoNotOptimize(g.obj);
    }
}

// Start-up from the map to the final title without the window: every picture loaded and masked,
// then the 230 frames of the speed measurement.
void BM_LoadAndMeasure(benchmark::State& bench) {
    for (auto _ : bench) {
        auto state = std::make_unique<GameState>();
        GameState& g = *state;
        setDirections(g);
        auto pictures = loadedPictures();
        setInitialSpeed(g);
        measureSpeed(g, {[&pictures](GameState& s) { renderFrame(s, *pictures); }, [] { return 0u; }});
        benchmark::DoNotOptimize(g.frameWait);
    }
}


// Resident pages and threads of this process, read from the kernel's own account.
int64_t residentKiB() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int64_t threadCount() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Threads:", 0) == 0) return std::strtoll(line.c_str() + 8, nullptr, 10);
    return -1;
}

// The real frame loop, pass after pass over the default map with the default pictures, a test
// clock for its waits and a player who moves, fires and bombs all the time. After the first pass
// everything the game will ever hold is held: resident memory, live strings and threads must be
// the same at the end. SOAK_FRAMES sets the length (a million frames unless told otherwise).
void BM_Soak(benchmark::State& bench) {
    const char* asked = std::getenv("SOAK_FRAMES");
    const int64_t frames = asked && *asked ? std::strtoll(asked, nullptr, 10) : 1'000'000;
    auto state = std::make_unique<GameState>();
    GameState& g = *state;
    int64_t sounds = 0, sleptMs = 0, played = 0;
    g.playSound = [&sounds](std::string_view) { ++sounds; };
    setDirections(g);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(GAME_DATA_DIR);
    loadMap(g);
    std::filesystem::current_path(previous);
    auto pictures = loadedPictures();
    setInitialSpeed(g);
    measureSpeed(g, {[&pictures](GameState& s) { renderFrame(s, *pictures); }, [] { return 0u; }});
    roundFrameWait(g);
    placeShip(g);
    rt::rtRandomize(11);

    // Keys change every few frames in a pattern that visits every direction and keeps shooting.
    FrameServices services;
    services.renderFrame = [&](GameState& s) {
        renderFrame(s, *pictures);
        const int64_t f = played++;
        const int phase = static_cast<int>((f / 23) % 8);
        platform::keys::setKeyDown(37, phase == 0 || phase == 1);
        platform::keys::setKeyDown(39, phase == 4 || phase == 5);
        platform::keys::setKeyDown(38, phase == 2 || phase == 7);
        platform::keys::setKeyDown(40, phase == 3 || phase == 6);
        platform::keys::setKeyDown('X', f % 6 < 3);
        platform::keys::setKeyDown('Z', f % 40 < 2);
    };
    services.sleep = [&sleptMs](int32_t ms) { sleptMs += ms; };

    int64_t rssFirst = 0, stringsFirst = 0, threadsFirst = 0, passes = 0;
    for (auto _ : bench) {
        while (played < frames) {
            runPass(g, services);
            if (++passes == 1) {
                rssFirst = residentKiB();
                stringsFirst = rt::rtStrRegistryCount();
                threadsFirst = threadCount();
            }
        }
    }
    platform::keys::releaseAll();
    const int64_t rssEnd = residentKiB(), stringsEnd = rt::rtStrRegistryCount(), threadsEnd = threadCount();
    bench.counters["frames"] = static_cast<double>(played);
    bench.counters["passes"] = static_cast<double>(passes);
    bench.counters["sounds"] = static_cast<double>(sounds);
    bench.counters["game_hours"] = static_cast<double>(sleptMs) / 3'600'000.0;
    bench.counters["rss_first_KiB"] = static_cast<double>(rssFirst);
    bench.counters["rss_end_KiB"] = static_cast<double>(rssEnd);
    bench.counters["strings_first"] = static_cast<double>(stringsFirst);
    bench.counters["strings_end"] = static_cast<double>(stringsEnd);
    bench.counters["threads_first"] = static_cast<double>(threadsFirst);
    bench.counters["threads_end"] = static_cast<double>(threadsEnd);
    // A few pages of allocator slack are not growth; a leak of a frame's worth would be far more.
    if (stringsEnd != stringsFirst || threadsEnd != threadsFirst || rssEnd - rssFirst > 256)
        bench.SkipWithError("the game grew while it ran");
}

} // namespace

BENCHMARK(BM_Memcpy512x474)->Repetitions(15)->ReportAggregatesOnly(true)->DisplayAggregatesOnly(true);
BENCHMARK(BM_GameFrame)->Repetitions(15)->ReportAggregatesOnly(true)->DisplayAggregatesOnly(true);
BENCHMARK(BM_GameFrameRestoreOnly)->Repetitions(15)->ReportAggregatesOnly(true)->DisplayAggregatesOnly(true);
BENCHMARK(BM_LoadAndMeasure)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Minutes long: `make soak` runs it; `make bench` leaves it out.
BENCHMARK(BM_Soak)->Iterations(1)->Repetitions(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
