#pragma once
// PNG output of a Bitmap, for screenshots, test failure images and the contact sheet.
#include "platform/pixels.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

std::vector<uint8_t> encodePng(const pixels::Bitmap& bitmap);
// Writes the PNG; false when the file cannot be written.
bool writePng(const std::string& path, const pixels::Bitmap& bitmap);

} // namespace platform
