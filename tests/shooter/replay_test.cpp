// What the golden replays cannot reach: the recording file's checks, the recorder on a full disk,
// the options, and a state hash that misses no game variable.
#include "game_fixture.hpp"
#include "shooter/replay.hpp"
#include "tests/support/testing.hpp"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace shooter;
using replay::kHeaderSize;

namespace {

std::vector<uint8_t> recordingBytes(uint8_t speedFactor, uint8_t wait, size_t frames) {
    replay::Header h;
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

std::string asText(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(Replay, HeaderIsLaidOutLittleEndianAsDocumented) {
    const std::string expected("SHOOTRUN\x01\x00\x02\x01\x01\x02\x03\x04"
                               "\x11\x12\x13\x14\x15\x16\x17\x18\x21\x22\x23\x24\x25\x26\x27\x28",
                               kHeaderSize);
    EXPECT_EQ(asText(recordingBytes(2, 1, 0)), expected);
    const auto read = replay::parseRecording(recordingBytes(2, 1, 0));
    ASSERT_TRUE(read.recording) << read.error;
    const replay::Header& h = read.recording->header;
    EXPECT_EQ(replay::encodeHeader(h),
              replay::encodeHeader({1, 2, 1, 0x04030201, 0x1817161514131211, 0x2827262524232221}));
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
    const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0,
                                      0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0,    0, 0, 0, 0, 0};
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
    };
    for (const Case& c : cases) {
        const auto read = replay::parseRecording(c.bytes);
        EXPECT_EQ(read.error.substr(0, c.error.size()), c.error) << c.what << ": " << read.error;
        EXPECT_EQ(read.recording.has_value(), c.error.empty()) << c.what;
        EXPECT_EQ(read.recording ? read.recording->keys.size() : 0, c.frames) << c.what;
    }
}

TEST(Replay, FilesThatCannotHoldARecordingAreRefusedWithoutWaitingOrReading) {
    testing_support::TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0); // opened for reading, it would wait for a writer
    {
        // Sparse: a size no recording reaches, and nothing to allocate for it.
        std::FILE* f = std::fopen((dir / "huge").c_str(), "wb");
        ASSERT_TRUE(f);
        ASSERT_EQ(::ftruncate(::fileno(f), off_t{1} << 40), 0);
        std::fclose(f);
    }
    const struct {
        const char* name;
        std::string error;
    } cases[] = {{"folder", "it is a folder"},
                 {"fifo", "it is not a regular file"},
                 {"missing", "No such file or directory"},
                 {"huge", "it is 1099511627776 bytes long, longer than any recording"}};
    for (const auto& c : cases) {
        const auto read = replay::readRecordingFile((dir / c.name).string());
        EXPECT_FALSE(read.recording) << c.name;
        EXPECT_EQ(read.error.substr(0, c.error.size()), c.error) << c.name << ": " << read.error;
    }
}

TEST(Replay, RecorderNeverReplacesAFileAndEveryFrameIsInTheFileAtOnce) {
    testing_support::TempDir dir;
    const std::string path = (dir / "run").string();
    std::string error;
    auto recorder = replay::Recorder::create(path, {}, error);
    ASSERT_TRUE(recorder) << error;
    for (int i = 0; i < 231; ++i) recorder->addFrame(i == 230 ? kKeyBitBomb : kKeyBitSpace);
    recorder->setSpeed(8, 2);
    // Read while the recorder is still open: nothing waits in a buffer.
    const auto read = replay::readRecordingFile(path);
    ASSERT_TRUE(read.recording) << read.error;
    EXPECT_EQ(read.recording->header.speedFactor, 8);
    EXPECT_EQ(read.recording->header.frameWait, 2);
    EXPECT_EQ(read.recording->keys.size(), 231u);
    EXPECT_EQ(read.recording->keys.back(), kKeyBitBomb);

    std::filesystem::create_symlink(dir / "nowhere", dir / "link");
    for (const std::string& taken : {path, (dir / "link").string()}) {
        EXPECT_FALSE(replay::Recorder::create(taken, {}, error)) << taken;
        EXPECT_EQ(error, "it exists already, and a recording never replaces a file");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere")) << "the link was followed";
    EXPECT_EQ(testing_support::readFile(path).size(), kHeaderSize + 231) << "the recording was touched";
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

TEST(Replay, OptionsChooseOneWayToPlay) {
    struct Case {
        std::map<std::string, std::string, std::less<>> values;
        RunMode mode;
        std::string file, error;
    };
    const Case cases[] = {
        {{}, RunMode::Play, "", ""},
        {{{"--record", "a"}}, RunMode::Record, "a", ""},
        {{{"--replay", "b"}}, RunMode::Replay, "b", ""},
        {{{"--timedemo", "c"}}, RunMode::Timedemo, "c", ""},
        {{{"--timedemo", ""}}, RunMode::Play, "", "--timedemo needs a file name"},
        {{{"--record", "a"}, {"--replay", "b"}},
         RunMode::Record,
         "a",
         "--record and --replay cannot go together"},
        {{{"--record", "a"}, {"--timedemo", "c"}}, RunMode::Record, "a", "--record and --timedemo cannot"},
        {{{"--replay", "b"}, {"--timedemo", "c"}}, RunMode::Replay, "b", "--replay and --timedemo cannot"},
    };
    for (const Case& c : cases) {
        rt::Options options;
        options.values = c.values;
        const RunRequest r = runRequest(options);
        EXPECT_EQ(r.error.substr(0, c.error.size()), c.error);
        EXPECT_EQ(r.error.empty(), c.error.empty()) << r.error;
        if (!c.error.empty()) continue;
        EXPECT_EQ(r.mode, c.mode) << c.file;
        EXPECT_EQ(r.file, c.file);
    }
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

TEST(Replay, HashesAreFnv1aOfTheDocumentedBytes) {
    // Published FNV-1a 64 values.
    const std::pair<std::string, uint64_t> known[] = {
        {"", 0xcbf29ce484222325}, {"a", 0xaf63dc4c8601ec8c}, {"foobar", 0x85944171f73967e8}};
    for (const auto& [text, value] : known) {
        Fnv1a h;
        h.bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        EXPECT_EQ(h.value(), value) << text;
    }
    pixels::Bitmap picture(2, 1, 0x00332211);
    picture.at(1, 0) = 0x00665544;
    Fnv1a h;
    const std::string bytes("\x02\0\0\0\x01\0\0\0\x11\x22\x33\0\x44\x55\x66\0", 16);
    h.bytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(hashPicture(picture), h.value());
}

TEST(Replay, ReplayTakesTheRecordedSpeedOrEndsWithTheMeasurementWhenNoneWasChosen) {
    // The end in a fresh process: in a fork of the ThreadSanitizer build the statement never reached it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testing_support::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path()); // the data files' hashes are taken here
    const DataHashes data = hashDataFiles();
    const struct {
        uint8_t speedFactor, wait;
        size_t frames;
    } cases[] = {{16, 0, 231}, {2, 1, 230}, {0, 0, 230}};
    for (const auto& c : cases) {
        auto bytes = recordingBytes(c.speedFactor, c.wait, c.frames);
        for (int i = 0; i < 8; ++i) {
            bytes[16 + i] = static_cast<uint8_t>(data.map >> (8 * i));
            bytes[24 + i] = static_cast<uint8_t>(data.pictures >> (8 * i));
        }
        const std::string file = "run" + std::to_string(c.speedFactor);
        testing_support::writeFile(file, asText(bytes));
        rt::Options options;
        options.values = {{"--timedemo", file}};
        RunSession session(options, shooterProgram());
        shooter_test::Game game;
        session.attach(game.g());
        if (c.speedFactor == 0) {
            EXPECT_EXIT(session.calibrate(game.g(), {}), testing::ExitedWithCode(0), "");
            continue;
        }
        session.calibrate(game.g(), {});
        EXPECT_EQ(game.g().speedFactor, c.speedFactor);
        EXPECT_EQ(game.g().framesPerRow, 16 / c.speedFactor);
        EXPECT_EQ(game.g().frameWait, c.wait);
        EXPECT_EQ(game.o().y[kShipSlot], -30) << "the measurement's up arrow, to its bound";
    }
    std::filesystem::current_path(previous);
}

} // namespace
