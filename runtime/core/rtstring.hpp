#pragma once
// RtString: the runtime's heap string. One block per string: a 32-bit length, the bytes (CP932),
// a zero terminator. The value passed around points at the first byte, so it can be used as a
// C string directly. Every live string is registered; operations consume their RtString
// arguments and return new strings that the caller owns.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace rt {

using RtString = char*;

// Exit code of a program stopped because memory ran out.
inline constexpr int kExitHeapExhausted = 3;
// Prints a clear message on stderr and stops the program with kExitHeapExhausted.
[[noreturn]] void rtHeapExhausted(size_t bytes);

// A new string of n zero bytes (n < 0 gives an empty string). Memory exhaustion stops the program.
RtString rtStrAlloc(int32_t n);
// Frees a registered string; an unknown pointer is reported on the debug output and left alone;
// null is ignored.
void rtStrFree(RtString p);
// The stored length (the 4 bytes in front of the characters).
int32_t rtStrLen(const char* s);
RtString rtStrFromCString(const char* s);
// A new string holding exactly these bytes (zeros included).
RtString rtStrFromBytes(std::string_view bytes);
// A literal of the program's source text (UTF-8) as a new CP932 string.
RtString rtStrLiteral(std::string_view utf8);
// A fresh copy of a variable's value (the program passes copies because calls consume); null
// gives an empty string.
RtString rtStrCopy(const char* s);
RtString rtStrConcat(RtString left, RtString right);
int32_t rtStrAsc(RtString s);
RtString rtStrChr(int32_t byte);
// 1 less, 2 equal, 3 greater: byte-wise over the CP932 bytes, lengths included.
int32_t rtStrCompare(RtString left, RtString right);
// The first n bytes of s; n is clamped to 0..len(s).
RtString rtStrLeft(RtString s, int32_t n);
// The bytes of a string (its stored length) without consuming it; null gives an empty view.
std::string_view rtStrView(const char* s);

// The registry, for tests: live strings in allocation order.
int32_t rtStrRegistryCount();
std::vector<const char*> rtStrRegistrySnapshot();

} // namespace rt
