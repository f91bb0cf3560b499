#include "platform/Numbers.h"

#include "BigUnsigned.h"

#include <algorithm>
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

// Significant digits kept from decimal text. No double lies halfway between two others with more than
// 767 significant digits, so digits beyond these only tell whether the rest is zero.
constexpr std::size_t kMaxDigits = 800;

constexpr double kExactPow10[] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };

// |value| = mantissa 2^exponent, mantissa below 2^53.
std::uint64_t decompose(double value, int& exponent)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t { 1 } << 52) - 1);
    if (biased == 0) {
        exponent = -1074;
        return fraction;
    }
    exponent = biased - 1075;
    return fraction | (std::uint64_t { 1 } << 52);
}

// (whole + a fraction that is nonzero exactly when sticky) 2^exponent, rounded to the nearest double,
// ties to even; infinity beyond the largest.
double roundToDouble(const BigUnsigned& whole, int exponent, bool sticky)
{
    int dropped = whole.BitLength() - 53;
    if (exponent + dropped < -1074) // below the normal range the lowest bit is worth 2^-1074
        dropped = -1074 - exponent;
    if (dropped <= 0)
        return std::ldexp(static_cast<double>(whole.BitsFrom(0)), exponent);
    std::uint64_t mantissa = whole.BitsFrom(dropped);
    const bool half = whole.Bit(dropped - 1);
    if (half && (sticky || whole.AnyBitBelow(dropped - 1) || (mantissa & 1)))
        ++mantissa;
    return std::ldexp(static_cast<double>(mantissa), exponent + dropped);
}

// digits 10^exponent10 exactly rounded; digits hold no leading zero.
double digitsToDouble(const std::string& digits, long long exponent10)
{
    const long long length = static_cast<long long>(digits.size());
    if (length + exponent10 > 310)
        return HUGE_VAL;
    if (length + exponent10 < -324)
        return 0.0;
    if (length <= 15 && exponent10 >= -22 && exponent10 <= 22) {
        // Both operands are exact, so the one rounding of the product or quotient is the right one.
        std::uint64_t whole = 0;
        for (char c : digits)
            whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
        const double d = static_cast<double>(whole);
        return exponent10 >= 0 ? d * kExactPow10[exponent10] : d / kExactPow10[-exponent10];
    }
    BigUnsigned whole;
    for (char c : digits)
        whole.MultiplySmall(10).AddSmall(static_cast<std::uint32_t>(c - '0'));
    if (exponent10 >= 0)
        return roundToDouble(whole.MultiplyPow10(static_cast<int>(exponent10)), 0, false);
    // whole / 10^-exponent10: a quotient of 56 or 57 bits by long division, and whether anything remained.
    BigUnsigned divisor(1);
    divisor.MultiplyPow10(static_cast<int>(-exponent10));
    const int shift = 56 + divisor.BitLength() - whole.BitLength();
    if (shift >= 0)
        whole.ShiftLeft(shift);
    else
        divisor.ShiftLeft(-shift);
    BigUnsigned quotient;
    for (int bit = 57; bit >= 0; --bit) {
        BigUnsigned step = divisor;
        step.ShiftLeft(bit);
        quotient.ShiftLeft(1);
        if (BigUnsigned::Compare(whole, step) >= 0) {
            whole.Subtract(step);
            quotient.AddSmall(1);
        }
    }
    return roundToDouble(quotient, -shift, !whole.IsZero());
}

// The decimal number at the start of text (digits, a point, digits, an exponent), exactly rounded.
double decimalToDouble(const char* text)
{
    std::string digits;
    long long exponent10 = 0;
    bool dropped = false;
    auto take = [&](char c, bool fractional) {
        if (digits.empty() && c == '0') {
            exponent10 -= fractional ? 1 : 0;
        } else if (digits.size() < kMaxDigits) {
            digits += c;
            exponent10 -= fractional ? 1 : 0;
        } else {
            dropped = dropped || c != '0';
            exponent10 += fractional ? 0 : 1;
        }
    };
    for (; isDigit(*text); ++text)
        take(*text, false);
    if (*text == '.') {
        for (++text; isDigit(*text); ++text)
            take(*text, true);
    }
    if (*text == 'e' || *text == 'E') {
        const char* p = text + 1;
        bool negative = false;
        if (*p == '+' || *p == '-')
            negative = *p++ == '-';
        long long exponent = 0;
        for (; isDigit(*p); ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), 1000000000LL); // far beyond any double
        exponent10 += negative ? -exponent : exponent;
    }
    if (digits.empty())
        return 0.0;
    if (dropped) {
        // Something nonzero beyond the kept digits: a 1 after them rounds the same way.
        digits += '1';
        --exponent10;
    } else {
        while (digits.back() == '0') {
            digits.pop_back();
            ++exponent10;
        }
    }
    return digitsToDouble(digits, exponent10);
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
    const double value = decimalToDouble(text);
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
    // value 10^6 = mantissa 10^6 2^exponent exactly; round that to an integer, ties to even, as printf
    // does, and put the point before its last six digits.
    int exponent = 0;
    const std::uint64_t mantissa = decompose(value, exponent);
    BigUnsigned scaled(mantissa);
    scaled.MultiplyPow10(6);
    if (exponent >= 0) {
        scaled.ShiftLeft(exponent);
    } else {
        const int dropped = -exponent;
        const bool half = scaled.Bit(dropped - 1);
        const bool below = scaled.AnyBitBelow(dropped - 1);
        scaled.ShiftRight(dropped);
        if (half && (below || scaled.Bit(0)))
            scaled.AddSmall(1);
    }
    std::string digits = scaled.ToDecimal();
    if (digits.size() < 7)
        digits.insert(0, 7 - digits.size(), '0');
    digits.insert(digits.size() - 6, 1, '.');
    return std::signbit(value) ? "-" + digits : digits;
}

} // namespace platform
