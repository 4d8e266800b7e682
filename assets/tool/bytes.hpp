#pragma once
// Little-endian fields of the file headers the tool writes (BMP, WAV).
#include <cstdint>
#include <string>

namespace assets {

inline void appendU16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

inline void appendU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
}

} // namespace assets
