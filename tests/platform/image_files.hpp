#pragma once
// Small image files made byte by byte for the tests, the fuzz seeds and the demonstration: a BMP
// writer that can produce every header and pixel layout, and a GIF assembler whose LZW stream
// holds one literal code per pixel (so any index, even past the colour table, can be written).
#include "platform/pixels.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace image_files {

inline void put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

struct BmpSpec {
    uint32_t headerSize = 40; // 12 core, 16/64 two-byte-less OS/2 forms, 40 info, 52, 56, 108 V4, 124 V5
    int32_t width = 0;
    int32_t height = 0; // negative: top-down
    uint16_t bpp = 24;
    uint32_t compression = 0;
    std::vector<platform::pixels::Colour> palette;
    uint32_t coloursUsed = 0;
    std::array<uint32_t, 4>
        masks{};                  // red, green, blue, alpha: inside the header (52+) or after a 40-byte one
    std::vector<uint8_t> data;    // the pixel bytes as stored
    int64_t dataOffsetAdjust = 0; // added to the true offset, to make broken files
};

inline std::string bmpFile(const BmpSpec& spec) {
    const bool core = spec.headerSize == 12;
    const bool masksAfter = spec.headerSize == 40 && (spec.compression == 3 || spec.compression == 6);
    const uint32_t maskBytes = masksAfter ? (spec.compression == 6 ? 16 : 12) : 0;
    const uint32_t entry = core ? 3 : 4;
    const uint32_t offset =
        14 + spec.headerSize + maskBytes + static_cast<uint32_t>(spec.palette.size()) * entry;
    std::string s = "BM";
    put32(s, offset + static_cast<uint32_t>(spec.data.size()));
    put32(s, 0);
    put32(s, static_cast<uint32_t>(offset + spec.dataOffsetAdjust));
    std::string h;
    put32(h, spec.headerSize);
    if (core) {
        put16(h, static_cast<uint32_t>(spec.width));
        put16(h, static_cast<uint32_t>(spec.height));
        put16(h, 1);
        put16(h, spec.bpp);
    } else {
        put32(h, static_cast<uint32_t>(spec.width));
        put32(h, static_cast<uint32_t>(spec.height));
        put16(h, 1);
        put16(h, spec.bpp);
        if (spec.headerSize >= 40) {
            put32(h, spec.compression);
            put32(h, static_cast<uint32_t>(spec.data.size()));
            put32(h, 2835);
            put32(h, 2835);
            put32(h, spec.coloursUsed);
            put32(h, 0);
        }
        if (spec.headerSize >= 52) {
            put32(h, spec.masks[0]);
            put32(h, spec.masks[1]);
            put32(h, spec.masks[2]);
        }
        if (spec.headerSize >= 56) put32(h, spec.masks[3]);
    }
    h.resize(spec.headerSize, '\0');
    s += h;
    if (masksAfter) {
        for (uint32_t i = 0; i < maskBytes / 4; ++i) put32(s, spec.masks[i]);
    }
    for (platform::pixels::Colour c : spec.palette) {
        s += static_cast<char>((c >> 16) & 0xFF); // blue
        s += static_cast<char>((c >> 8) & 0xFF);  // green
        s += static_cast<char>(c & 0xFF);         // red
        if (!core) s += '\0';
    }
    s.append(spec.data.begin(), spec.data.end());
    return s;
}

// Stored rows of pixel values (top row first in `rows`): bottom-up unless topDown, each padded
// to 4 bytes. 1/4/8 bits: palette indices; 16 and 32: the stored value; 24: a colour 0x00BBGGRR.
inline std::vector<uint8_t> packRows(const std::vector<std::vector<uint32_t>>& rows, int bpp, bool topDown) {
    std::vector<uint8_t> out;
    const size_t h = rows.size();
    for (size_t k = 0; k < h; ++k) {
        const std::vector<uint32_t>& row = rows[topDown ? k : h - 1 - k];
        std::vector<uint8_t> bytes((row.size() * static_cast<size_t>(bpp) + 31) / 32 * 4, 0);
        for (size_t x = 0; x < row.size(); ++x) {
            const uint32_t v = row[x];
            switch (bpp) {
            case 1:
                bytes[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
                break;
            case 4:
                bytes[x / 2] |= static_cast<uint8_t>((v & 0xF) << (x % 2 ? 0 : 4));
                break;
            case 8:
                bytes[x] = static_cast<uint8_t>(v);
                break;
            case 16:
                bytes[2 * x] = static_cast<uint8_t>(v);
                bytes[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                break;
            case 24:
                bytes[3 * x] = static_cast<uint8_t>(v >> 16);
                bytes[3 * x + 1] = static_cast<uint8_t>(v >> 8);
                bytes[3 * x + 2] = static_cast<uint8_t>(v);
                break;
            case 32:
                for (int b = 0; b < 4; ++b)
                    bytes[4 * x + static_cast<size_t>(b)] = static_cast<uint8_t>(v >> (8 * b));
                break;
            }
        }
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

// A 24-bit bottom-up BMP of the bitmap.
inline std::string bmpOf(const platform::pixels::Bitmap& b) {
    std::vector<std::vector<uint32_t>> rows;
    for (int32_t y = 0; y < b.height; ++y) rows.emplace_back(b.row(y), b.row(y) + b.width);
    BmpSpec spec;
    spec.width = b.width;
    spec.height = b.height;
    spec.bpp = 24;
    spec.data = packRows(rows, 24, false);
    return bmpFile(spec);
}

struct GifFrame {
    uint16_t left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<platform::pixels::Colour> localPalette; // power of two entries, or none
    int transparent = -1;                     // a graphic control block before the frame when >= 0
    std::vector<uint8_t> indices;             // width x height, rows in display order
};

// LZW with 8-bit literals only: a clear code every 200 codes keeps the code width at 9 bits.
inline std::string gifLzw(const std::vector<uint8_t>& indices) {
    std::string bytes;
    uint32_t acc = 0;
    int bits = 0;
    const auto emit = [&](uint32_t code) {
        acc |= code << bits;
        bits += 9;
        while (bits >= 8) {
            bytes += static_cast<char>(acc & 0xFF);
            acc >>= 8;
            bits -= 8;
        }
    };
    emit(256);
    int sinceClear = 0;
    for (uint8_t i : indices) {
        if (sinceClear == 200) {
            emit(256);
            sinceClear = 0;
        }
        emit(i);
        ++sinceClear;
    }
    emit(257);
    if (bits > 0) bytes += static_cast<char>(acc & 0xFF);
    std::string blocks;
    blocks += static_cast<char>(8); // minimum code size
    for (size_t at = 0; at < bytes.size(); at += 255) {
        const size_t n = std::min<size_t>(255, bytes.size() - at);
        blocks += static_cast<char>(n);
        blocks.append(bytes, at, n);
    }
    blocks += '\0';
    return blocks;
}

inline void putPalette(std::string& s, const std::vector<platform::pixels::Colour>& palette) {
    for (platform::pixels::Colour c : palette) {
        s += static_cast<char>(c & 0xFF);
        s += static_cast<char>((c >> 8) & 0xFF);
        s += static_cast<char>((c >> 16) & 0xFF);
    }
}

inline int paletteBits(size_t n) {
    int bits = 1;
    while ((size_t{1} << bits) < n) ++bits;
    return bits;
}

inline std::string gifFile(uint16_t screenW, uint16_t screenH,
                           const std::vector<platform::pixels::Colour>& globalPalette,
                           const std::vector<GifFrame>& frames) {
    std::string s = "GIF89a";
    put16(s, screenW);
    put16(s, screenH);
    const bool global = !globalPalette.empty();
    s += static_cast<char>(global ? 0x80 | (paletteBits(globalPalette.size()) - 1) : 0);
    s += '\0'; // background index
    s += '\0'; // aspect
    if (global) putPalette(s, globalPalette);
    for (const GifFrame& f : frames) {
        if (f.transparent >= 0) {
            s += "\x21\xF9\x04";
            s += '\x01';
            put16(s, 0);
            s += static_cast<char>(f.transparent);
            s += '\0';
        }
        s += ',';
        put16(s, f.left);
        put16(s, f.top);
        put16(s, f.width);
        put16(s, f.height);
        const bool local = !f.localPalette.empty();
        s += static_cast<char>((local ? 0x80 | (paletteBits(f.localPalette.size()) - 1) : 0) |
                               (f.interlaced ? 0x40 : 0));
        if (local) putPalette(s, f.localPalette);
        // Interlaced frames store their rows pass by pass.
        std::vector<uint8_t> stored;
        if (f.interlaced) {
            const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int row = start[pass]; row < f.height; row += step[pass])
                    stored.insert(stored.end(), f.indices.begin() + row * f.width,
                                  f.indices.begin() + (row + 1) * f.width);
        } else {
            stored = f.indices;
        }
        s += gifLzw(stored);
    }
    s += ';';
    return s;
}

} // namespace image_files
