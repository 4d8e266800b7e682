#pragma once
// JPEG files for the tests and the demonstration programs to read: the programs only decode them.
#include "platform/pixels.hpp"

#include <cstdint>
#include <vector>

namespace testing_support {

// A baseline JPEG of the bitmap (4:4:4, the given quality 1..100); empty on failure.
std::vector<uint8_t> encodeJpeg(const platform::pixels::Bitmap& bitmap, int quality);

} // namespace testing_support
