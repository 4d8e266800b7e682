#pragma once
// The recording of a run: a header (32 bytes in version 1, 34 in version 2), then one byte per
// frame with the keys the frame read (kKeyBit... of game_state.hpp), from the first frame of the
// speed measurement on. Numbers are little-endian.
//
//   offset  size  field
//        0     8  "SHOOTRUN"
//        8     2  format version: 1, or 2 for a run that starts at a row of its own
//       10     1  speed factor: 1, 2, 4, 8 or 16; 0 while the speed measurement has not ended
//       11     1  wait after each frame in milliseconds, as rounded at start-up (0 to 2); 0 with
//                 speed factor 0
//       12     4  the random generator's seed
//       16     8  hash of the map file
//       24     8  hash of the pictures
//       32     2  version 2 only: the map row that comes in first (--from-row), 0 to 1000; a run of
//                 version 1 starts at the map's last row
//   32, 34     n  n frames: the measurement's 230 frames read the space bar and the arrows, the game's
//                 frames X, Z and the arrows; no other bit is ever set
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace shooter::replay {

inline constexpr std::string_view kMagic = "SHOOTRUN";
// The newest version read; a run is written in version 1 unless it starts at a row of its own.
inline constexpr uint16_t kVersion = 2;
inline constexpr size_t kHeaderSize = 32; // version 1
inline constexpr size_t kStartRowOffset = 32;
inline constexpr size_t kHeaderSizeWithStartRow = 34; // version 2
// The start row of a version 2 run is a row the game can hold.
inline constexpr int kMaxStartRow = 1000;
inline constexpr size_t kSpeedOffset = 10;
// About 290 hours at 64 frames a second: a file longer than that is refused before it is read.
inline constexpr size_t kMaxFrames = size_t{1} << 26;

struct Header {
    uint16_t version = 1;
    uint8_t speedFactor = 0;
    uint8_t frameWait = 0;
    uint32_t seed = 0;
    uint64_t mapHash = 0;
    uint64_t picturesHash = 0;
    int32_t startRow = -1; // version 2: the first row to come in; -1 in version 1 (the last row)
};

struct Recording {
    Header header;
    std::vector<uint8_t> keys; // one byte per frame
};

// The header's bytes, as long as its version has them.
std::vector<uint8_t> encodeHeader(const Header& header);

// The recording held in the bytes, or why they hold none (a sentence that names no file).
struct ReadResult {
    std::optional<Recording> recording;
    std::string error;
};
ReadResult parseRecording(std::span<const uint8_t> bytes);
// The recording in the file: read without ever waiting (a FIFO or a device is refused, as is a
// folder), and only after its size shows it can be a recording.
ReadResult readRecordingFile(const std::string& path);

// Writes a run while it is played: the header at once, then every frame's byte with a write of its
// own, so that the file holds each frame handed out whenever the process ends. A write that fails
// (a full disk) is said once on stderr and ends the recording; the file keeps the frames before it
// and stays a recording that plays.
class Recorder {
  public:
    // Creates the file, never over an existing one, and writes the header. Null with the reason
    // in `error` when it cannot.
    static std::unique_ptr<Recorder> create(const std::string& path, const Header& header,
                                            std::string& error);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void addFrame(uint8_t keys);
    // The speed the measurement chose, written into the header (before any game frame).
    void setSpeed(uint8_t speedFactor, uint8_t frameWait);
    uint64_t frames() const { return frames_; }
    bool stopped() const { return stopped_; }

  private:
    explicit Recorder(int fd) : fd_(fd) {}
    void stop(const char* what, int error);
    int fd_;
    uint64_t frames_ = 0;
    bool stopped_ = false;
};

} // namespace shooter::replay
