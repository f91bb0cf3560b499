#include "platform/Numbers.h"

#include <fast_float/fast_float.h>
#include <fmt/compile.h>
#include <fmt/format.h>

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace platform {
namespace {

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

int ParseInt(const char* text)
{
    if (!text)
        return 0;
    while (isCSpace(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; isDigit(*text); ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // keep counting digits, saturated
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

double ParseDouble(const char* text)
{
    if (!text)
        return 0.0;
    while (isCSpace(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    // Only decimal text counts: a digit, or a point followed by a digit.
    if (!isDigit(*text) && !(*text == '.' && isDigit(text[1])))
        return 0.0;
    // fast_float rounds to the nearest double however many digits the text has, infinity beyond the
    // largest and zero below the smallest, as the C library does under the C locale.
    double value = 0.0;
    fast_float::from_chars(text, text + std::strlen(text), value, fast_float::chars_format::general);
    return negative ? -value : value;
}

float ToFloat(double value)
{
    if (std::isnan(value))
        return 0.0f;
    if (value > FLT_MAX)
        return FLT_MAX;
    if (value < -FLT_MAX)
        return -FLT_MAX;
    return static_cast<float>(value);
}

int TruncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return INT_MAX;
    if (value <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(value);
}

std::string FormatInt(int value)
{
    char buffer[16];
    std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

std::string FormatFixed(double value)
{
    if (std::isnan(value))
        return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    // {fmt} rounds the exact binary value, ties to even, as printf does. The format is compiled in, so
    // the browser's module carries no format-string parser.
    return fmt::format(FMT_COMPILE("{:.6f}"), value);
}

} // namespace platform
