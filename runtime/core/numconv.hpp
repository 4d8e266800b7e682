#pragma once
// Number conversion: doubles to text with 15 significant digits, and text to doubles.
#include "runtime/core/rtstring.hpp"

#include <cstdint>

namespace rt {

// n digits of |value| in a static buffer; |value| ~ d1.d2...dn x 10^(exponent - 1).
const char* rtDigits(double value, int32_t n, int32_t& exponent, int32_t& negative);
RtString rtNumToStr(double value);
// Upper-case hexadecimal without leading zeros of the 32-bit value (-1 gives FFFFFFFF).
RtString rtHexStr(int32_t value);
// Reads a decimal, &H hexadecimal or &O octal number at the start of the text; never fails.
double rtStrToNum(const char* text);

} // namespace rt
