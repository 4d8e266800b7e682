#include "runtime/core/numconv.hpp"

#include "runtime/core/rtmath.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace rt {

namespace {

constexpr int32_t kMaxDigits = 15;
char digitBuffer[kMaxDigits + 1];

// Every step is rounded to a double, as the conversion is specified; the bounds are the
// literals the digit loop has always used.
constexpr double kLowerBound = 0.999999999999999;
constexpr double kUpperBound = 9.99999999999999;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10; // the text is upper-cased before it is read
    return -1;
}

// Accumulates a run of digits of the given base from its last digit back to its first. The
// weights are powers of two, so digit x weight is exact in a double just as in a 64-bit integer;
// unlike the 64-bit form it stays meaningful for runs too long for 64 bits. Zero digits add
// nothing (and must not meet an infinite weight).
double radixRun(const char* run, size_t len, int base) {
    double result = 0.0, weight = 1.0;
    for (size_t i = len; i-- > 0;) {
        const int d = hexValue(run[i]);
        if (d) result += static_cast<double>(d) * weight;
        weight *= base;
    }
    return result;
}

} // namespace

const char* rtDigits(double value, int32_t n, int32_t& exponent, int32_t& negative) {
    n = std::clamp(n, 1, kMaxDigits);
    if (value == 0 || !std::isfinite(value)) {
        // Zero (either sign) is all zeros. An infinity or NaN has no digits: the loops below would
        // never end for it, so it reads as zeros with its sign (rtNumToStr prints it by name).
        std::memset(digitBuffer, '0', static_cast<size_t>(n));
        digitBuffer[n] = 0;
        exponent = 0;
        negative = value < 0 ? 1 : 0;
        return digitBuffer;
    }
    double v = value;
    if (v < 0) {
        negative = 1;
        v = -v;
    } else {
        negative = 0;
    }
    int32_t e = 1;
    while (v < kLowerBound) {
        v = v * 10;
        e = e - 1;
    }
    while (v >= kUpperBound) {
        v = v / 10;
        e = e + 1;
    }
    int digit[kMaxDigits];
    for (int32_t i = 0; i < n; ++i) {
        // A fraction a hair below 1 can round to exactly 10 after x10; such a digit is a 9.
        digit[i] = std::min(rtInt(v), 9);
        v = (v - digit[i]) * 10;
    }
    if (v >= 5) {
        int32_t i = n - 1;
        while (i >= 0 && digit[i] == 9) digit[i--] = 0;
        if (i >= 0) {
            digit[i] += 1;
        } else {
            // Only reachable with fewer digits than the bounds were chosen for: 9.9 -> 1.0 x 10.
            digit[0] = 1;
            e = e + 1;
        }
    }
    for (int32_t i = 0; i < n; ++i) digitBuffer[i] = static_cast<char>('0' + digit[i]);
    digitBuffer[n] = 0;
    exponent = e;
    return digitBuffer;
}

std::string numToText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    int32_t e = 0, negative = 0;
    const char* d = rtDigits(value, kMaxDigits, e, negative);
    std::string out;
    out.reserve(24);
    if (negative) out += '-';
    if (e > 15 || e < -3) {
        out += d[0];
        out += '.';
        out.append(d + 1, 14);
        out += 'e';
        char exp[16];
        std::snprintf(exp, sizeof exp, e > 15 ? "+%03d" : "%03d", static_cast<int>(e - 1));
        out += exp;
        return out;
    }
    if (e >= 1) {
        out.append(d, static_cast<size_t>(e));
        out += '.';
        out.append(d + e, static_cast<size_t>(15 - e));
    } else {
        out += "0.";
        out.append(static_cast<size_t>(-e), '0');
        out.append(d, 15);
    }
    while (!out.empty() && out.back() == '0') out.pop_back();
    if (!out.empty() && out.back() == '.') out.pop_back();
    return out;
}

RtString rtNumToStr(double value) {
    return rtStrFromCString(numToText(value).c_str());
}

RtString rtHexStr(int32_t value) {
    RtString s = rtStrAlloc(64);
    const int n = std::snprintf(s, 64, "%X", static_cast<unsigned>(value));
    RtString r = rtStrLeft(rtStrCopy(s), n);
    rtStrFree(s);
    return r;
}

double rtStrToNum(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '&') {
        const char kind = p[1];
        const char* run = p + 2;
        size_t len = 0;
        if (kind == 'O' || kind == 'o') {
            while (run[len] >= '0' && run[len] <= '7') ++len;
            return radixRun(run, len, 8);
        }
        if (kind == 'H' || kind == 'h') {
            while (hexValue(run[len]) >= 0) ++len;
            return radixRun(run, len, 16);
        }
        return 0.0;
    }
    bool negativeFlag = false;
    if (*p == '-') {
        negativeFlag = true;
        ++p;
    } else if (*p == '+') {
        ++p;
    }
    const char* run = p;
    while (*p >= '0' && *p <= '9') ++p;
    double result = 0.0, weight = 1.0;
    for (const char* q = p; q-- > run;) {
        const int d = *q - '0';
        // A zero digit adds nothing; skipping it keeps an overlong run from adding 0 x infinity.
        if (d) result += d * weight;
        weight *= 10.0;
    }
    if (*p == '.') {
        ++p;
        double fraction = 10.0;
        while (*p >= '0' && *p <= '9') {
            result += (*p - '0') / fraction;
            fraction *= 10.0;
            ++p;
        }
    }
    if (negativeFlag) result *= -1;
    return result;
}

} // namespace rt
