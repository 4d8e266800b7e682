#pragma once
// The runtime's numeric functions: floor, abs, sign, the 15-bit generator and rtRnd, power;
// and the one conversion every double-to-integer assignment of the programs goes through.
#include <cstdint>

namespace rt {

// A double assigned to a 32-bit integer: truncated toward zero; NaN and values outside the
// 32-bit range give 0x80000000, the value the hardware conversion gives.
int32_t toInt32(double v);
// A double assigned to a 16-bit variable: truncated toward zero as a 32-bit conversion, then the
// low 16 bits kept (70000 -> 4464, 40000 -> -25536).
int16_t toInt16(double v);

// Floor to a signed 32-bit integer; outside the 32-bit range the result is clamped, NaN gives 0.
int32_t rtInt(double x);
double rtAbs(double x);
int32_t rtSgn(double x);

// One step of the generator: seed = seed * 1103515245 + 12345 (mod 2^32); bits 16..30 of it.
int32_t rtRand15();
// (a * b mod 100000) / 100000 of two draws: a value in [0, 0.99999].
double rtRnd();
void rtRandomize(uint32_t seed);
uint32_t rtRandomSeed();

double rtPowInt(double base, int32_t n);
double rtPow(double base, double exponent);

} // namespace rt
