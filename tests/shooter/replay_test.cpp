// What the golden replays cannot reach: the recording file's checks, the recorder on a full disk, a
// state hash that misses no game variable, and the end of a run closed as its speed was measured.
#include "game_fixture.hpp"
#include "shooter/replay.hpp"
#include "shooter/replay_hash.hpp"
#include "tests/support/testing.hpp"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

using namespace shooter;
using replay::kHeaderSize;

namespace {

std::vector<uint8_t> recordingBytes(uint8_t speedFactor, uint8_t wait, size_t frames, int32_t startRow = -1) {
    replay::Header h;
    if (startRow >= 0) h.version = 2, h.startRow = startRow;
    h.speedFactor = speedFactor;
    h.frameWait = wait;
    h.seed = 0x04030201;
    h.mapHash = 0x1817161514131211;
    h.picturesHash = 0x2827262524232221;
    const auto header = replay::encodeHeader(h);
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (size_t i = 0; i < frames; ++i) bytes.push_back(i < 230 ? kKeyBitSpace | kKeyBitUp : kGameFrameKeys);
    return bytes;
}

template <typename Bytes> std::string asText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(Replay, HeaderIsLaidOutLittleEndianAsDocumented) {
    const std::string expected("SHOOTRUN\x01\x00\x02\x01\x01\x02\x03\x04"
                               "\x11\x12\x13\x14\x15\x16\x17\x18\x21\x22\x23\x24\x25\x26\x27\x28",
                               kHeaderSize);
    EXPECT_EQ(asText(recordingBytes(2, 1, 0)), expected);
    // Version 2: the start row after the 32 bytes of version 1.
    std::string fromRow = expected + std::string("\x2c\x01", 2);
    fromRow[8] = 2;
    EXPECT_EQ(asText(recordingBytes(2, 1, 0, 300)), fromRow);
}

TEST(Replay, BrokenRecordingsAreRefusedWithTheReason) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string error; // the start of the reason; empty: a recording of that many frames
        size_t frames;
    };
    auto with = [](std::vector<uint8_t> b, size_t at, uint8_t value) {
        b.at(at) = value;
        return b;
    };
    const auto good = recordingBytes(2, 1, 240);
    std::vector<uint8_t> gif(kHeaderSize + 10);
    std::copy_n("GIF89a", 6, gif.begin());
    const Case cases[] = {
        {"whole", good, "", 240},
        {"header only", recordingBytes(4, 2, 0), "", 0},
        {"cut in the measurement", recordingBytes(0, 0, 230), "", 230},
        {"empty", {}, "the file is empty", 0},
        {"cut header", {good.begin(), good.begin() + 20}, "its header is cut off after 20 of 32 bytes", 0},
        {"cut magic", {good.begin(), good.begin() + 5}, "its header is cut off after 5 of 32", 0},
        {"another format", gif, "it is not a recording of this game", 0},
        {"newer version", with(good, 9, 1), "it is a recording of format version 257, newer", 0},
        {"version 0", with(good, 8, 0), "its format version 0 does not exist", 0},
        {"speed factor 3", with(good, 10, 3), "its speed factor 3 is not one", 0},
        {"wait 3", with(good, 11, 3), "its wait of 3 ms is not one", 0},
        {"wait without speed", with(recordingBytes(0, 0, 10), 11, 1), "its wait of 1 ms", 0},
        {"game frames without speed", recordingBytes(0, 0, 231),
         "it holds frames after the speed measurement", 0},
        {"X while measuring", with(good, kHeaderSize + 5, kKeyBitShot), "frame 5 holds keys 0x01", 0},
        {"space in the game", with(good, kHeaderSize + 230, kKeyBitSpace), "frame 230 holds keys 0x04", 0},
        {"top bit", with(good, kHeaderSize + 239, 0x80), "frame 239 holds keys 0x80", 0},
        {"version 2 from row 0", recordingBytes(2, 1, 240, 0), "", 240},
        {"version 2 from row 1000", recordingBytes(2, 1, 240, 1000), "", 240},
        {"version 2 from row 1001", recordingBytes(2, 1, 240, 1001), "its start row 1001 is past any map", 0},
        {"version 2 cut header", {good.begin(), good.begin() + 33}, "", 1},
        {"version 2 without its start row", with({good.begin(), good.begin() + 33}, 8, 2),
         "its header is cut off after 33 of 34 bytes", 0},
        {"version 3", with(good, 8, 3),
         "it is a recording of format version 3, newer than this program reads (2)", 0},
    };
    for (const Case& c : cases) {
        const auto read = replay::parseRecording(c.bytes);
        EXPECT_EQ(read.error.substr(0, c.error.size()), c.error) << c.what << ": " << read.error;
        EXPECT_EQ(read.recording.has_value(), c.error.empty()) << c.what;
        EXPECT_EQ(read.recording ? read.recording->keys.size() : 0, c.frames) << c.what;
        if (!read.recording) continue;
        // Every field read back from where it was written.
        const std::string header = asText(replay::encodeHeader(read.recording->header));
        EXPECT_EQ(asText(c.bytes).substr(0, header.size()), header) << c.what;
        EXPECT_EQ(header.size(), read.recording->header.version == 1 ? kHeaderSize : kHeaderSize + 2)
            << c.what;
    }
}

TEST(Replay, AFullDiskEndsTheRecordingAndTheFramesBeforeItStillPlay) {
    testing_support::TempDir dir;
    const std::string path = (dir / "run").string();
    std::string error;
    auto recorder = replay::Recorder::create(path, {}, error);
    ASSERT_TRUE(recorder) << error;
    // The file may not grow past 240 frames: the next write fails as on a full disk.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = kHeaderSize + 240;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    for (int i = 0; i < 230; ++i) recorder->addFrame(0);
    recorder->setSpeed(1, 2);
    for (int i = 0; i < 20; ++i) recorder->addFrame(kKeyBitUp);
    const std::string said = testing::internal::GetCapturedStderr();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_TRUE(recorder->stopped());
    EXPECT_EQ(recorder->frames(), 240u);
    EXPECT_EQ(
        said,
        "shooter: the recording stopped after 240 frames: a frame could not be written: File too large\n");
    const auto read = replay::readRecordingFile(path);
    ASSERT_TRUE(read.recording) << read.error;
    EXPECT_EQ(read.recording->keys.size(), 240u);
    EXPECT_EQ(read.recording->header.speedFactor, 1);
}

TEST(Replay, StateHashTakesInEveryGameVariable) {
    shooter_test::Game game;
    const uint64_t start = hashState(game.g());
    EXPECT_EQ(hashState(game.g()), start);
    // The last element of each array, so that a loop stopping short is caught too.
    const std::pair<const char*, std::function<void(GameState&)>> changes[] = {
        {"kind", [](GameState& g) { g.obj.kind[100] = 1; }},
        {"frame", [](GameState& g) { g.obj.frame[100] = 9; }},
        {"x", [](GameState& g) { g.obj.x[100] = 0.5; }},
        {"y", [](GameState& g) { g.obj.y[100] = -0.0; }},
        {"speedFactor", [](GameState& g) { g.speedFactor = 2; }},
        {"framesPerRow", [](GameState& g) { g.framesPerRow = 8; }},
        {"frameWait", [](GameState& g) { g.frameWait = 1; }},
        {"scrollCounter", [](GameState& g) { g.scrollCounter = 5; }},
        {"mapRow", [](GameState& g) { g.mapRow = 5; }},
        {"lastRow", [](GameState& g) { g.lastRow = 5; }},
        {"mapCells", [](GameState& g) { g.mapCells.back() = 1; }},
        {"playerX", [](GameState& g) { g.playerX = 1; }},
        {"playerY", [](GameState& g) { g.playerY = 1; }},
        {"shotActive", [](GameState& g) { g.shotActive.back() = 1; }},
        {"bombTimer", [](GameState& g) { g.bombTimer = 1; }},
        {"flashTimer", [](GameState& g) { g.flashTimer.back() = 1; }},
        {"wreckTimer", [](GameState& g) { g.wreckTimer.back() = 1; }},
        {"dirX", [](GameState& g) { g.dirX.back() = 0; }},
        {"dirY", [](GameState& g) { g.dirY.back() = 1; }},
        {"bulletOffsetX", [](GameState& g) { g.bulletOffsetX = 62; }},
        {"bulletOffsetY", [](GameState& g) { g.bulletOffsetY = 62; }},
        {"shotKeyLatch", [](GameState& g) { g.shotKeyLatch = 1; }},
        {"bombKeyLatch", [](GameState& g) { g.bombKeyLatch = 1; }},
        {"enemyDX", [](GameState& g) { g.enemyDX.back() = 1; }},
        {"enemyDY", [](GameState& g) { g.enemyDY.back() = 1; }},
        {"enemyCount", [](GameState& g) { g.enemyCount.back() = 1; }},
        {"bulletVX", [](GameState& g) { g.bulletVX.back() = 1; }},
        {"bulletVY", [](GameState& g) { g.bulletVY.back() = 1; }},
        {"groundTimer", [](GameState& g) { g.groundTimer.back() = 1; }},
        {"pathStep", [](GameState& g) { g.pathStep.back() = 1; }},
        {"pathCol", [](GameState& g) { g.pathCol.back() = 1; }},
        {"pathRow", [](GameState& g) { g.pathRow.back() = 1; }},
        {"pathDir", [](GameState& g) { g.pathDir.back() = 1; }},
        {"fortressTimer", [](GameState& g) { g.fortressTimer = 1; }},
        {"random seed", [](GameState&) { rt::rtRandomize(2); }},
    };
    for (const auto& [what, change] : changes) {
        shooter_test::Game changed;
        change(changed.g());
        EXPECT_NE(hashState(changed.g()), start) << what;
    }
}

TEST(Replay, ARunClosedJustAfterTheMeasurementEndsWithItWithoutASpeed) {
    // The end in a fresh process: in a fork of the ThreadSanitizer build the statement never reached it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testing_support::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path()); // no map, no pictures: their hashes say so
    auto bytes = recordingBytes(0, 0, 230);    // the speed was never written
    const DataHashes data = hashDataFiles();
    for (int i = 0; i < 8; ++i) {
        bytes[16 + i] = static_cast<uint8_t>(data.map >> (8 * i));
        bytes[24 + i] = static_cast<uint8_t>(data.pictures >> (8 * i));
    }
    testing_support::writeFile("run", asText(bytes));
    rt::Options options;
    options.values = {{"--timedemo", "run"}};
    RunSession session(options, shooterProgram());
    shooter_test::Game game;
    session.attach(game.g());
    // Without the end here, speed factor 0 would reach the frame loop.
    EXPECT_EXIT(session.calibrate(game.g(), {}), testing::ExitedWithCode(0), "");
    std::filesystem::current_path(previous);
}

} // namespace
