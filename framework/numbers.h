#pragma once
// Number functions of the runtime. None of them depends on the C locale.
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// Skips leading blanks and tabs, then reads the longest prefix of the form
// [+|-] digits [. digits] [(e|E) [+|-] digits]; anything else gives 0. Beyond
// the double range: +-infinity.
double Val(std::string_view s);
// Decimal.
std::string Str(int32_t n);
// Like %.7g in the C locale; "nan", "inf", "-inf".
std::string Str(double x);
// Patterns "0", "00", "0.0": the exact binary value rounded half away from
// zero to that many decimals (at least as many integer digits as the pattern
// has before the point); "-0" is written "0".
std::string Format(double x, std::string_view pattern);
// Upper-case hexadecimal digits of the 32-bit pattern.
std::string Hex(int32_t n);
// Half away from zero.
double Round(double x);
// Truncation toward zero; NaN gives 0; beyond the range saturates.
int32_t ToInt32(double x);
double Max(double a, double b);
double Min(double a, double b);

}  // namespace fw
