#include "shooter/replay.hpp"
#include "shooter/replay_hash.hpp"

#include "mapfile/mapfile.hpp"
#include "platform/system.hpp"
#include "runtime/core/rtmath.hpp"
#include "shooter/startup.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace shooter {

namespace {

std::string hex16(uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

} // namespace

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
    if (const auto text = options.value("--from-row")) {
        // Row N of the map the game will read: refused before any window opens.
        mapfile::GameMap map;
        mapfile::readMapFile(map);
        const int32_t last = std::max<int32_t>(map.lastRow, 0);
        const auto row = rt::parseWholeNumber(*text, 0, last);
        if (!row)
            rt::commandLineError(program, "--from-row: '" + *text + "' is not a row of " +
                                              mapfile::kMapFileName + " (a whole number from 0 to " +
                                              std::to_string(last) + ")");
        header_.startRow = *row;
        header_.version = 2;
    }
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
    if (header_.startRow >= 0) {
        mapfile::GameMap map;
        mapfile::readMapFile(map);
        if (header_.startRow > std::max<int32_t>(map.lastRow, 0))
            rt::commandLineError(program, "cannot replay " + quoted + ": it starts at row " +
                                              std::to_string(header_.startRow) + ", past the map's last row");
    }
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
