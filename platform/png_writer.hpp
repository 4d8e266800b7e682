#pragma once
// PNG output of a Bitmap, for screenshots, test failure images and the contact sheet.
#include "platform/pixels.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// With blackTransparent, an RGBA PNG whose pure black pixels are transparent (the sprites' rule).
std::vector<uint8_t> encodePng(const pixels::Bitmap& bitmap, bool blackTransparent = false);
// Writes the PNG; false when the file cannot be written.
bool writePng(const std::string& path, const pixels::Bitmap& bitmap);

} // namespace platform
