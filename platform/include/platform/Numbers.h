#pragma once

#include <string>

// Number text that does not depend on the C library locale: under a comma-decimal locale the Qt
// application would otherwise read and write "0,5" and break every parameter string. The conversions
// are our own code, so every build and every C library reads and writes the same numbers.
namespace platform {

// atoi: leading white space, optional sign, decimal digits up to the first other character.
// Values beyond int saturate.
int ParseInt(const char* text);
// atof: the same for decimal floating-point text with an optional exponent, rounded to the nearest
// double (infinity beyond the largest, zero below the smallest). Text that does not start with a number
// reads 0; "inf" and "nan" are not numbers here.
double ParseDouble(const char* text);
// Narrowing that never leaves float's finite range.
float ToFloat(double value);
// Float-to-int conversion truncating toward zero, saturating instead of overflowing; NaN gives 0.
int TruncToInt(double value);
// printf "%d" and "%f" (six decimals, the exact value rounded half to even).
std::string FormatInt(int value);
std::string FormatFixed(double value);

} // namespace platform
