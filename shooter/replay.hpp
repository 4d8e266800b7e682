#pragma once
// Recording a run and playing it back. The game's state follows from three inputs only: the
// random seed, the measured speed (factor and wait) and the keys each frame reads. A recording
// keeps exactly those; a replay puts them back in place of the clock, the measurement and the
// keyboard, and ends with a line that sums up where the run ended:
//   <frames> frames, state <16 hex digits>, picture <16 hex digits>[, <F> frames/s]
#include "shooter/game_state.hpp"
#include "shooter/options.hpp"
#include "shooter/replay_file.hpp"
#include "shooter/timing.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace shooter {

// The end-of-replay line, without its line end; framesPerSecond < 0 leaves the speed out.
std::string replaySummary(uint64_t frames, uint64_t stateHash, uint64_t pictureHash, double framesPerSecond);

// One run of the game as the command line asks for it. Made before any window opens: a recording's
// file is created then (never over an existing file), a replay's read and checked against the map
// and pictures in the current folder; a file that cannot be, and options that cannot go together,
// end the program with a message and exit code 2.
class RunSession {
  public:
    RunSession(const rt::Options& options, const rt::ProgramInfo& program);
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;
    ~RunSession();

    RunMode mode() const { return mode_; }
    // The seed for the random generator: the tick count now, or the recorded one.
    uint32_t seed() const;
    // Sound and keys for the state: a replay reads its keys from the recording and, when they run
    // out, prints its line and ends the process; the timed replay plays no sound.
    void attach(GameState& g);
    // The speed: measured and rounded (and written down when recording), or the recorded speed
    // after the measurement's frames replayed.
    void calibrate(GameState& g, const CalibrationServices& services);
    // The map row that comes in first: --from-row's, the recorded one, or -1 for the last row.
    int32_t startRow() const { return header_.startRow; }
    // The wait after each frame: none for the timed replay.
    std::function<void(int32_t ms)> frameSleep() const;

  private:
    uint8_t nextReplayFrame(const GameState& g);
    [[noreturn]] void finishReplay(const GameState& g);

    RunMode mode_ = RunMode::Play;
    replay::Header header_;
    std::unique_ptr<replay::Recorder> recorder_;
    std::vector<uint8_t> keys_;
    size_t next_ = 0;
    int64_t startNs_ = 0;
};

} // namespace shooter
