#include "shooter/replay.hpp"

#include "mapfile/mapfile.hpp"
#include "platform/files.hpp"
#include "platform/system.hpp"
#include "runtime/core/rtmath.hpp"
#include "runtime/prompt/canvas.hpp"
#include "shooter/pictures.hpp"
#include "shooter/startup.hpp"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <type_traits>
#include <unistd.h>

namespace shooter {

// A variable added to the game's state must join hashState below, or replays stop guarding it.
static_assert(sizeof(GameState) == 69528, "GameState changed: update hashState and this size");

void Fnv1a::bytes(const uint8_t* data, size_t size) {
    uint64_t h = h_;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 0x100000001b3ull;
    h_ = h;
}

void Fnv1a::integer(uint64_t v, int size) {
    uint8_t le[8];
    for (int i = 0; i < size; ++i) le[i] = static_cast<uint8_t>(v >> (8 * i));
    bytes(le, static_cast<size_t>(size));
}

void Fnv1a::f64(double v) {
    u64(std::bit_cast<uint64_t>(v));
}

namespace {

template <typename T, size_t N> void each(Fnv1a& h, const std::array<T, N>& values) {
    for (const T& v : values) {
        if constexpr (std::is_same_v<T, double>)
            h.f64(v);
        else
            h.i16(v);
    }
}

// Hashes a file as it is read, a block at a time, whatever its size.
void hashFile(Fnv1a& h, const std::string& path) {
    const int fd = platform::files::openRegularFile(path);
    if (fd < 0) {
        h.u64(~uint64_t{0});
        return;
    }
    uint8_t block[65536];
    uint64_t length = 0;
    for (;;) {
        const long n = platform::files::readFully(fd, block, sizeof block);
        if (n <= 0) break;
        h.bytes(block, static_cast<size_t>(n));
        length += static_cast<uint64_t>(n);
    }
    ::close(fd);
    h.u64(length);
}

std::string hex16(uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

} // namespace

uint64_t hashState(const GameState& g) {
    Fnv1a h;
    for (int s = 0; s < kSlotCount; ++s) {
        h.i16(g.obj.kind[s]);
        h.i16(g.obj.frame[s]);
        h.f64(g.obj.x[s]);
        h.f64(g.obj.y[s]);
    }
    h.i16(g.speedFactor);
    h.i16(g.framesPerRow);
    h.f64(g.frameWait);
    h.i16(g.scrollCounter);
    h.i16(g.mapRow);
    h.i16(g.lastRow);
    each(h, g.mapCells);
    h.f64(g.playerX);
    h.f64(g.playerY);
    each(h, g.shotActive);
    h.i16(g.bombTimer);
    each(h, g.flashTimer);
    each(h, g.wreckTimer);
    each(h, g.dirX);
    each(h, g.dirY);
    h.i16(g.bulletOffsetX);
    h.i16(g.bulletOffsetY);
    h.u8(g.shotKeyLatch);
    h.u8(g.bombKeyLatch);
    each(h, g.enemyDX);
    each(h, g.enemyDY);
    each(h, g.enemyCount);
    each(h, g.bulletVX);
    each(h, g.bulletVY);
    each(h, g.groundTimer);
    each(h, g.pathStep);
    each(h, g.pathCol);
    each(h, g.pathRow);
    each(h, g.pathDir);
    h.i16(g.fortressTimer);
    h.u32(rt::rtRandomSeed());
    return h.value();
}

uint64_t hashPicture(const pixels::Bitmap& picture) {
    Fnv1a h;
    h.u32(static_cast<uint32_t>(picture.width));
    h.u32(static_cast<uint32_t>(picture.height));
    for (const pixels::Colour c : picture.pixels) h.u32(c);
    return h.value();
}

uint64_t hashWindowPicture() {
    prompt::CanvasLock lock;
    const pixels::Bitmap* window = lock.window();
    return hashPicture(window ? *window : pixels::Bitmap());
}

DataHashes hashDataFiles() {
    DataHashes d;
    Fnv1a map;
    hashFile(map, platform::nativePath(mapfile::kMapFileName));
    d.map = map.value();
    Fnv1a pictures;
    for (int f = 1; f <= kSpriteFrames; ++f)
        for (int k = 1; k <= kSpriteKinds; ++k)
            hashFile(pictures, platform::nativePath(spriteFileName(k, f)));
    for (int t = 0; t < kTileCount; ++t) hashFile(pictures, platform::nativePath(tileFileName(t)));
    d.pictures = pictures.value();
    return d;
}

std::string replaySummary(uint64_t frames, uint64_t stateHash, uint64_t pictureHash, double framesPerSecond) {
    std::string line = std::to_string(frames);
    line.append(" frames, state ").append(hex16(stateHash)).append(", picture ").append(hex16(pictureHash));
    if (framesPerSecond >= 0)
        line.append(", ").append(std::to_string(std::llround(framesPerSecond))).append(" frames/s");
    return line;
}

RunSession::RunSession(const rt::Options& options, const rt::ProgramInfo& program) {
    const RunRequest request = runRequest(options);
    if (!request.error.empty()) rt::commandLineError(program, request.error);
    mode_ = request.mode;
    if (mode_ == RunMode::Play) return;
    const DataHashes data = hashDataFiles();
    std::string quoted = "'";
    quoted.append(request.file).append("'");
    if (mode_ == RunMode::Record) {
        header_.seed = platform::tickCount();
        header_.mapHash = data.map;
        header_.picturesHash = data.pictures;
        std::string error;
        recorder_ = replay::Recorder::create(request.file, header_, error);
        if (!recorder_) rt::commandLineError(program, "cannot record to " + quoted + ": " + error);
        return;
    }
    replay::ReadResult read = replay::readRecordingFile(request.file);
    if (!read.recording) rt::commandLineError(program, "cannot replay " + quoted + ": " + read.error);
    header_ = read.recording->header;
    keys_ = std::move(read.recording->keys);
    if (header_.mapHash != data.map)
        rt::commandLineError(program, "cannot replay " + quoted + ": it was recorded on another map (" +
                                          mapfile::kMapFileName + " differs)");
    if (header_.picturesHash != data.pictures)
        rt::commandLineError(program, "cannot replay " + quoted +
                                          ": it was recorded with other pictures (bmp/ differs)");
}

RunSession::~RunSession() = default;

uint32_t RunSession::seed() const {
    return mode_ == RunMode::Play ? platform::tickCount() : header_.seed;
}

void RunSession::attach(GameState& g) {
    g.playSound = mode_ == RunMode::Timedemo ? SoundPlayer() : SoundPlayer(playSoundFile);
    if (mode_ == RunMode::Record) {
        g.readKeys = [this](uint8_t wanted) {
            const uint8_t keys = readKeyTable(wanted);
            recorder_->addFrame(keys);
            return keys;
        };
    } else if (mode_ == RunMode::Replay || mode_ == RunMode::Timedemo) {
        g.readKeys = [this, &g](uint8_t) { return nextReplayFrame(g); };
    }
}

void RunSession::calibrate(GameState& g, const CalibrationServices& services) {
    if (mode_ == RunMode::Replay || mode_ == RunMode::Timedemo) {
        runCalibrationFrames(g, services);
        // Closed before the measurement ended: the run ends with it, no speed was ever chosen.
        if (header_.speedFactor == 0) finishReplay(g);
        g.speedFactor = header_.speedFactor;
        g.framesPerRow = framesPerRowFor(g.speedFactor);
        g.frameWait = header_.frameWait;
        return;
    }
    measureSpeed(g, services);
    roundFrameWait(g);
    if (recorder_)
        recorder_->setSpeed(static_cast<uint8_t>(g.speedFactor),
                            static_cast<uint8_t>(rt::toInt32(g.frameWait)));
}

std::function<void(int32_t)> RunSession::frameSleep() const {
    if (mode_ == RunMode::Timedemo) return {};
    return platform::sleepMs;
}

uint8_t RunSession::nextReplayFrame(const GameState& g) {
    if (next_ == 0) startNs_ = platform::monotonicNs();
    // The run ends where the recording does: before the frame after its last one reads its keys.
    if (next_ == keys_.size()) finishReplay(g);
    return keys_[next_++];
}

void RunSession::finishReplay(const GameState& g) {
    const int64_t elapsedNs = platform::monotonicNs() - startNs_;
    double framesPerSecond = -1;
    if (mode_ == RunMode::Timedemo)
        framesPerSecond =
            elapsedNs > 0 ? static_cast<double>(keys_.size()) * 1e9 / static_cast<double>(elapsedNs) : 0;
    const std::string line =
        replaySummary(keys_.size(), hashState(g), hashWindowPicture(), framesPerSecond) + "\n";
    std::fputs(line.c_str(), stdout);
    platform::exitProcess(0);
}

} // namespace shooter
