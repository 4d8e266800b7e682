#include "runtime/core/rtmath.hpp"

#include <cmath>
#include <limits>

namespace rt {

namespace {
uint32_t rndSeed = 1;
}

int32_t toInt32(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

int16_t toInt16(double v) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(toInt32(v))));
}

int32_t rtInt(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    int32_t t = static_cast<int32_t>(x);
    if (x < 0 && x < t) t -= 1;
    return t;
}

double rtAbs(double x) {
    return x >= 0 ? x : x * -1;
}

int32_t rtSgn(double x) {
    return x > 0 ? 1 : x < 0 ? -1 : 0;
}

int32_t rtRand15() {
    rndSeed = rndSeed * 1103515245u + 12345u;
    // The seed as an unsigned value, divided by 65536 in double precision and truncated.
    const double q = static_cast<double>(static_cast<int64_t>(rndSeed)) / 65536.0;
    return static_cast<int32_t>(static_cast<int64_t>(q) % 32768);
}

double rtRnd() {
    const int32_t a = rtRand15();
    const int32_t b = rtRand15();
    const int32_t p = a * b;
    return static_cast<double>(p % 100000) / 100000.0;
}

void rtRandomize(uint32_t seed) {
    rndSeed = seed;
}

uint32_t rtRandomSeed() {
    return rndSeed;
}

double rtPowInt(double base, int32_t n) {
    double r = 1.0;
    int64_t m = static_cast<int64_t>(rtAbs(static_cast<double>(n)));
    while (m != 0) {
        if (m & 1) r = r * base;
        m /= 2;
        base = base * base;
    }
    return n < 0 ? 1.0 / r : r;
}

double rtPow(double base, double exponent) {
    if (exponent >= -2147483647.0 && exponent <= 2147483647.0 &&
        exponent == static_cast<double>(rtInt(exponent)))
        return rtPowInt(base, rtInt(exponent));
    if (base > 0) return std::exp(exponent * std::log(base));
    return 0.0;
}

} // namespace rt
