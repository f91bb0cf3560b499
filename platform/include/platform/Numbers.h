#pragma once

#include "platform/PlatformExport.h"

#include <string>

// Number text that does not depend on the C library locale: under a comma-decimal locale the Qt
// application would otherwise read and write "0,5" and break every parameter string. fast_float and
// {fmt} convert, not the C library, so every build (the browser's too) reads and writes the same numbers.
namespace platform {

// atoi: leading white space, optional sign, decimal digits up to the first other character.
// Values beyond int saturate.
PLATFORM_EXPORT int ParseInt(const char* text);
// atof: the same for decimal floating-point text with an optional exponent, rounded to the nearest
// double (infinity beyond the largest, zero below the smallest). Text that does not start with a number
// reads 0; "inf" and "nan" are not numbers here.
PLATFORM_EXPORT double ParseDouble(const char* text);
// Narrowing that never leaves float's finite range.
PLATFORM_EXPORT float ToFloat(double value);
// Float-to-int conversion truncating toward zero, saturating instead of overflowing; NaN gives 0.
PLATFORM_EXPORT int TruncToInt(double value);
// printf "%d" and "%f" (six decimals, the exact value rounded half to even).
PLATFORM_EXPORT std::string FormatInt(int value);
PLATFORM_EXPORT std::string FormatFixed(double value);

} // namespace platform
