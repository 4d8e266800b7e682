#pragma once
// Image decoding into a Bitmap of the file's pixel size: BMP (our own decoder), JPEG, GIF (first
// frame). Every decoder takes the whole file in memory, checks every length and offset against
// its size and refuses (nullopt) corrupt, truncated, zero-sized and oversized images before it
// allocates their pixels.
#include "platform/pixels.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform {

// Images wider or higher than this, or with more pixels than kMaxImagePixels (16 Mi pixels, 64 MiB
// decoded; a few bytes of run-length code can claim that many), are refused.
inline constexpr int64_t kMaxImageSide = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t{16} * 1024 * 1024;
// Whether a width x height image may be made (both sides >= 1 and within the bounds).
bool imageSizeAllowed(int64_t width, int64_t height);

// 1, 4, 8, 16, 24 and 32 bits per pixel; RLE4 and RLE8; bottom-up and top-down; core (12 bytes),
// OS/2 (16 or 64), info (40), and the larger headers with masks (52, 56, V4 108, V5 124); palettes
// and bit fields.
std::optional<pixels::Bitmap> decodeBmp(std::span<const uint8_t> file);
std::optional<pixels::Bitmap> decodeJpeg(std::span<const uint8_t> file);
// The first frame on its logical screen; what the frame does not cover, and its transparent
// pixels, are black.
std::optional<pixels::Bitmap> decodeGif(std::span<const uint8_t> file);

} // namespace platform
