#pragma once
// Code page 932 (Shift-JIS) text: conversion to and from UTF-8 and the lead-byte test.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::cp932 {

// Lead bytes of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
constexpr bool isLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// CP932 bytes to UTF-8; bytes that are not valid CP932 become U+FFFD.
std::string toUtf8(std::string_view cp932);
// UTF-8 to CP932 bytes; characters CP932 cannot hold become '?'.
std::string fromUtf8(std::string_view utf8);
// One character (one byte, or a lead and a trail byte) to its code point; U+FFFD when invalid.
char32_t decodeChar(std::string_view bytes);

} // namespace platform::cp932
