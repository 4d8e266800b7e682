#pragma once
// Small images written as text for exact pixel tests: one character per pixel, a legend from
// characters to colours. A mismatch writes the actual image out and names the first wrong pixel.
#include "platform/pixels.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace pixel_art {

inline const std::map<char, platform::pixels::Colour>& defaultLegend() {
    static const std::map<char, platform::pixels::Colour> legend = {
        {'.', 0x000000}, {'W', 0xFFFFFF}, {'R', 0x0000FF}, {'G', 0x00FF00}, {'B', 0xFF0000}, {'Y', 0x00FFFF},
        {'M', 0xFF00FF}, {'C', 0xFFFF00}, {'a', 0x123456}, {'b', 0x0F0F0F}, {'c', 0x654321}, {'d', 0xF0F0F0},
    };
    return legend;
}

inline platform::pixels::Bitmap art(const std::vector<std::string>& rows,
                          const std::map<char, platform::pixels::Colour>& legend = defaultLegend()) {
    const int32_t h = static_cast<int32_t>(rows.size());
    const int32_t w = h ? static_cast<int32_t>(rows[0].size()) : 0;
    platform::pixels::Bitmap b(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b.at(x, y) = legend.at(rows[static_cast<size_t>(y)][static_cast<size_t>(x)]);
    return b;
}

inline std::string hex(platform::pixels::Colour c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%06X", c);
    return buf;
}

// Compares exactly; on a difference writes the actual image (as <name>.png) and fails.
inline ::testing::AssertionResult sameImage(const platform::pixels::Bitmap& actual,
                                            const platform::pixels::Bitmap& expected,
                                            const std::string& name) {
    if (actual.width != expected.width || actual.height != expected.height) {
        const std::string path = testing_support::dumpImage(actual, name);
        return ::testing::AssertionFailure()
               << name << ": expected " << expected.width << "x" << expected.height << ", got "
               << actual.width << "x" << actual.height << " (" << path << ")";
    }
    for (int32_t y = 0; y < actual.height; ++y)
        for (int32_t x = 0; x < actual.width; ++x)
            if (actual.at(x, y) != expected.at(x, y)) {
                const std::string path = testing_support::dumpImage(actual, name);
                return ::testing::AssertionFailure()
                       << name << ": at (" << x << ", " << y << ") expected " << hex(expected.at(x, y))
                       << ", got " << hex(actual.at(x, y)) << " (actual image: " << path << ")";
            }
    return ::testing::AssertionSuccess();
}

} // namespace pixel_art
