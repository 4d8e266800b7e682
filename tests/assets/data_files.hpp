#pragma once
// Reading the generated game data back for the checks.
#include "platform/pixels.hpp"

#include <cstdint>
#include <filesystem>
#include <string>

namespace assets_test {

// The folder the build writes the default data into.
std::filesystem::path dataDir();

struct BmpFile {
    std::string fault; // empty when the file is a well-formed 24-bit uncompressed BMP
    int32_t width = 0, height = 0;
    platform::pixels::Bitmap image;
};

// Reads a BMP with the header fields a 24-bit BI_RGB file must have; anything else is a fault.
BmpFile readBmp(const std::filesystem::path& path);

std::string spriteName(int kind, int frame); // "chr07-2.BMP"

inline uint32_t le32(const std::string& b, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
inline uint16_t le16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

} // namespace assets_test
