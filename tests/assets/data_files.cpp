#include "tests/assets/data_files.hpp"

#include "tests/support/testing.hpp"

#include <cstdio>

namespace assets_test {

// Compiled in rather than taken from the environment, so the checks find the data however they
// are started.
std::filesystem::path dataDir() {
    return ASSETS_DATA_DIR;
}

std::string spriteName(int kind, int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "chr%02d-%d.BMP", kind, frame);
    return name;
}

BmpFile readBmp(const std::filesystem::path& path) {
    BmpFile out;
    if (!std::filesystem::exists(path)) {
        out.fault = "missing";
        return out;
    }
    const std::string b = testing_support::readFile(path);
    if (b.size() < 54 || b.compare(0, 2, "BM") != 0) {
        out.fault = "no BMP signature";
        return out;
    }
    out.width = static_cast<int32_t>(le32(b, 18));
    out.height = static_cast<int32_t>(le32(b, 22));
    const uint32_t offset = le32(b, 10);
    if (le32(b, 14) != 40)
        out.fault = "info header is not 40 bytes";
    else if (le16(b, 26) != 1)
        out.fault = "planes is not 1";
    else if (le16(b, 28) != 24)
        out.fault = "not 24 bits per pixel";
    else if (le32(b, 30) != 0)
        out.fault = "compressed";
    else if (out.width <= 0 || out.height <= 0 || out.width > 4096 || out.height > 4096)
        out.fault = "implausible size";
    if (!out.fault.empty()) return out;
    const size_t stride = (static_cast<size_t>(out.width) * 3 + 3) & ~size_t{3};
    const size_t expected = offset + stride * static_cast<size_t>(out.height);
    if (offset < 54 || b.size() != expected || le32(b, 2) != b.size()) {
        out.fault = "size fields disagree with the file (" + std::to_string(b.size()) + " bytes, expected " +
                    std::to_string(expected) + ")";
        return out;
    }
    out.image = platform::pixels::Bitmap(out.width, out.height);
    for (int32_t y = 0; y < out.height; ++y) {
        const size_t row = offset + stride * static_cast<size_t>(out.height - 1 - y); // stored bottom-up
        for (int32_t x = 0; x < out.width; ++x) {
            const size_t p = row + static_cast<size_t>(x) * 3;
            out.image.at(x, y) = platform::pixels::rgb(
                static_cast<uint8_t>(b[p + 2]), static_cast<uint8_t>(b[p + 1]), static_cast<uint8_t>(b[p]));
        }
    }
    return out;
}

} // namespace assets_test
