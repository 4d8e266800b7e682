// The shot sound: a short 16-bit PCM WAV that starts and stops cleanly.
#include "tests/assets/data_files.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

using assets_test::le16;
using assets_test::le32;

TEST(ShotSound, IsAShortSixteenBitPcmWav) {
    const auto path = assets_test::dataDir() / "sound" / "zapper.wav";
    ASSERT_TRUE(std::filesystem::exists(path)) << path;
    const std::string b = testing_support::readFile(path);
    ASSERT_GE(b.size(), 44u);
    EXPECT_EQ(b.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(b, 4), b.size() - 8);
    EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(b, 16), 16u);
    EXPECT_EQ(le16(b, 20), 1) << "PCM";
    const uint16_t channels = le16(b, 22), bits = le16(b, 34);
    const uint32_t rate = le32(b, 24);
    EXPECT_EQ(bits, 16);
    EXPECT_TRUE(channels == 1 || channels == 2);
    EXPECT_TRUE(rate >= 8000 && rate <= 48000) << rate;
    EXPECT_EQ(le16(b, 32), channels * 2) << "block align";
    EXPECT_EQ(le32(b, 28), rate * channels * 2) << "byte rate";
    ASSERT_EQ(b.substr(36, 4), "data");
    const uint32_t bytes = le32(b, 40);
    ASSERT_EQ(bytes, b.size() - 44);
    const double seconds = static_cast<double>(bytes) / (rate * channels * 2);
    EXPECT_TRUE(seconds >= 0.15 && seconds <= 0.3) << "expected about 0.2 s, got " << seconds;

    std::vector<int> samples;
    for (size_t at = 44; at + 1 < b.size(); at += 2) samples.push_back(static_cast<int16_t>(le16(b, at)));
    ASSERT_FALSE(samples.empty());
    int peak = 0;
    for (int s : samples) peak = std::max(peak, std::abs(s));
    EXPECT_GT(peak, 8000) << "too quiet to hear";
    EXPECT_LT(peak, 32767) << "clipped";
    EXPECT_LT(std::abs(samples.front()), 2000) << "clicks at the start";
    EXPECT_LT(std::abs(samples.back()), 500) << "clicks at the end";
}

} // namespace
