#pragma once
// Number conversion: doubles to text with 15 significant digits, and text to doubles.
#include "runtime/core/rtstring.hpp"

#include <cstdint>
#include <string>

namespace rt {

// n digits (1..15) of |value| in a static buffer; |value| ~ d1.d2...dn x 10^(exponent - 1).
// Not reentrant: number conversion belongs to the program's main thread.
// Zero (either sign) gives n zeros and exponent 0; so do infinities and NaN, which have no digits
// (negative still tells the sign of an infinity).
const char* rtDigits(double value, int32_t n, int32_t& exponent, int32_t& negative);
// 15 significant digits: fixed form for exponents -3..15 with trailing zeros removed, exponent form
// ("1.00000000000000e+016", "1.23400000000000e-05") outside. Infinities and NaN print as
// "Infinity", "-Infinity" and "NaN".
RtString rtNumToStr(double value);
// The same text as a std::string, for callers that do not want a registered string.
std::string numToText(double value);
// Upper-case hexadecimal without leading zeros of the 32-bit value (-1 gives FFFFFFFF).
RtString rtHexStr(int32_t value);
// Reads a decimal, &H hexadecimal or &O octal number at the start of the text (after blanks and
// tabs); text after the number is ignored; no digits read as 0; never fails. Not consumed.
double rtStrToNum(const char* text);

} // namespace rt
