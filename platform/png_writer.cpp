#include "platform/png_writer.hpp"

#include <cstdio>
#include <zlib.h>

namespace platform {

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    put32(out, static_cast<uint32_t>(crc));
}

} // namespace

std::vector<uint8_t> encodePng(const pixels::Bitmap& bitmap, bool blackTransparent) {
    const uint32_t w = static_cast<uint32_t>(bitmap.width > 0 ? bitmap.width : 0);
    const uint32_t h = static_cast<uint32_t>(bitmap.height > 0 ? bitmap.height : 0);
    std::vector<uint8_t> raw;
    const uint32_t channels = blackTransparent ? 4 : 3;
    raw.reserve((w * channels + 1) * h);
    for (uint32_t y = 0; y < h; ++y) {
        raw.push_back(0); // no filter
        const pixels::Colour* row = bitmap.row(static_cast<int32_t>(y));
        for (uint32_t x = 0; x < w; ++x) {
            raw.push_back(static_cast<uint8_t>(row[x]));
            raw.push_back(static_cast<uint8_t>(row[x] >> 8));
            raw.push_back(static_cast<uint8_t>(row[x] >> 16));
            if (blackTransparent) raw.push_back((row[x] & 0xFFFFFF) == 0 ? 0 : 255);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9);
    packed.resize(packedSize);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put32(header, w);
    put32(header, h);
    // 8-bit RGB or RGBA, deflate, no filter set, no interlace
    header.insert(header.end(), {8, static_cast<uint8_t>(blackTransparent ? 6 : 2), 0, 0, 0});
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", packed);
    chunk(out, "IEND", {});
    return out;
}

bool writePng(const std::string& path, const pixels::Bitmap& bitmap) {
    std::vector<uint8_t> png = encodePng(bitmap);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

} // namespace platform
