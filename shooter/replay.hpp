#pragma once
// Recording a run and playing it back. The game's state follows from three inputs only: the
// random seed, the measured speed (factor and wait) and the keys each frame reads. A recording
// keeps exactly those; a replay puts them back in place of the clock, the measurement and the
// keyboard, and ends with a line that sums up where the run ended:
//   <frames> frames, state <16 hex digits>, picture <16 hex digits>[, <F> frames/s]
#include "platform/pixels.hpp"
#include "shooter/game_state.hpp"
#include "shooter/options.hpp"
#include "shooter/replay_file.hpp"
#include "shooter/timing.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace shooter {

// 64-bit FNV-1a over bytes; every number goes in little-endian, a double as its IEEE-754 bits.
class Fnv1a {
  public:
    void bytes(const uint8_t* data, size_t size);
    void u8(uint8_t v) { bytes(&v, 1); }
    void u16(uint16_t v) { integer(v, 2); }
    void i16(int16_t v) { integer(static_cast<uint16_t>(v), 2); }
    void u32(uint32_t v) { integer(v, 4); }
    void u64(uint64_t v) { integer(v, 8); }
    void f64(double v);
    uint64_t value() const { return h_; }

  private:
    void integer(uint64_t v, int size);
    uint64_t h_ = 0xcbf29ce484222325ull;
};

// The object table (slot by slot: kind, frame, x, y), then every game variable in the order
// GameState declares them, then the random generator's seed.
uint64_t hashState(const GameState& g);
// Width and height (32 bits each), then the pixels row by row from the top, each 0x00BBGGRR in 32
// bits.
uint64_t hashPicture(const pixels::Bitmap& picture);
// The window's pixels as the program drew them (its client framebuffer).
uint64_t hashWindowPicture();

// Hashes of the data a run depends on, as files in the current folder: each file's bytes followed
// by its length in 64 bits; a file that cannot be read as a regular file gives the length ~0 alone.
struct DataHashes {
    uint64_t map = 0;      // AREA1.csv
    uint64_t pictures = 0; // the sprites in the order they load (every first frame, then every
                           // second, then every third), then the tiles 0 to 9
};
DataHashes hashDataFiles();

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
