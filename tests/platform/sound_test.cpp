#include "platform/sound.hpp"
#include "platform/system.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace {

// A PCM WAV file of the given length: 16-bit mono at 22050 Hz, a plain tone.
std::string makeWav(int samples) {
    auto put32 = [](std::string& s, uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto put16 = [](std::string& s, uint16_t v) {
        s.push_back(static_cast<char>(v & 0xFF));
        s.push_back(static_cast<char>(v >> 8));
    };
    std::string w = "RIFF";
    put32(w, 36 + static_cast<uint32_t>(samples) * 2);
    w += "WAVEfmt ";
    put32(w, 16);
    put16(w, 1);
    put16(w, 1);
    put32(w, 22050);
    put32(w, 44100);
    put16(w, 2);
    put16(w, 16);
    w += "data";
    put32(w, static_cast<uint32_t>(samples) * 2);
    for (int i = 0; i < samples; ++i) put16(w, static_cast<uint16_t>((i / 25) % 2 ? 8000 : -8000));
    return w;
}

} // namespace

TEST(Sound, PlaysAWavAndNothingForAMissingOrBrokenFile) {
    enum Kind { kNone, kFile, kFifo };
    struct Case {
        const char* name;
        Kind kind;
        std::string bytes;
        bool expectPlays;
    };
    const std::string wav = makeWav(11025);
    std::string claimsMore = wav;
    claimsMore[40] = '\xF0', claimsMore[41] = claimsMore[42] = claimsMore[43] = '\xFF'; // data size ~4 GB
    const Case cases[] = {
        {"a WAV file", kFile, wav, true},
        {"no file", kNone, "", false},
        {"an empty file", kFile, "", false},
        {"not a WAV", kFile, "this is text, not sound", false},
        {"header cut short", kFile, wav.substr(0, 30), false},
        {"data size beyond the file", kFile, claimsMore, false},
        {"a FIFO nobody writes", kFifo, "", false}, // an open that waited would never return
    };
    testing_support::TempDir dir;
    for (const Case& c : cases) {
        const auto path = dir / (std::string("s_") + std::to_string(&c - cases) + ".wav");
        if (c.kind == kFile) testing_support::writeFile(path, c.bytes);
        if (c.kind == kFifo) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        }
        EXPECT_EQ(platform::sound::playWav(path.string()), c.expectPlays) << c.name;
    }
}

TEST(Sound, ANewSoundCutsOffTheOneStillPlaying) {
    testing_support::TempDir dir;
    const auto path = dir / "long.wav";
    testing_support::writeFile(path, makeWav(22050 * 2)); // two seconds
    ASSERT_TRUE(platform::sound::playWav(path.string()));
    const uint32_t once = platform::sound::queuedBytes();
    ASSERT_GT(once, 0u);
    ASSERT_TRUE(platform::sound::playWav(path.string()));
    const uint32_t twice = platform::sound::queuedBytes();
    // Queued on top of the first, it would be nearly twice as much.
    EXPECT_LE(twice, once + once / 4) << "expected at most one sound queued, got " << twice << " bytes";
    EXPECT_GE(twice, once / 2);
}

// Muting stops the sound that plays and keeps new ones silent; a pause holds the sound where it is.
TEST(Sound, MuteSilencesAndPauseHolds) {
    namespace sound = platform::sound;
    testing_support::TempDir dir;
    testing_support::writeFile(dir / "long.wav", makeWav(22050 * 4)); // four seconds
    const std::string path = (dir / "long.wav").string();
    ASSERT_TRUE(sound::playWav(path));
    sound::setMuted(true);
    EXPECT_EQ(sound::queuedBytes(), 0u) << "the sound still plays";
    EXPECT_FALSE(sound::playWav(path));
    sound::setMuted(false);
    ASSERT_TRUE(sound::playWav(path));
    sound::setPaused(true);
    const uint32_t held = sound::queuedBytes();
    platform::sleepMs(200); // nothing to await while the device is held: a while in which it would play
    EXPECT_EQ(sound::queuedBytes(), held) << "the device played during the pause";
    sound::setPaused(false);
    const uint32_t start = platform::tickCount();
    while (sound::queuedBytes() == held && platform::tickCount() - start < 60000) platform::sleepMs(1);
    EXPECT_LT(sound::queuedBytes(), held) << "gave up after 60 s waiting for the sound to go on";
}
