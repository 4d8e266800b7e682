// Text to number from arbitrary bytes (as a zero-terminated copy, the way callers pass it): never
// NaN, and the result prints and converts to a map cell without harm.
#include "runtime/core/numconv.hpp"
#include "runtime/core/rtmath.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double v = rt::rtStrToNum(text.c_str());
    if (std::isnan(v)) __builtin_trap();
    const std::string printed = rt::numToText(v);
    if (printed.empty() || printed.size() > 22) __builtin_trap();
    (void)rt::toInt16(v);
    return 0;
}
