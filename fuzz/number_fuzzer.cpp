// Number text and trigonometry, against the C++ and C libraries: the decimal reader must give the bits
// std::from_chars gives (zero or infinity where that reports out of range), the six-decimal writer the
// text std::to_chars writes, and Cos, Sin and Atan2 stay within one unit in the last place of the C
// library's (for cos and sin, up to arguments of 2^20 pi/2). The input is the text; its first sixteen
// bytes are also taken as two doubles.
#include "FuzzTarget.h"
#include "platform/Numbers.h"
#include "platform/Trigonometry.h"
#include "tests/platform/UlpDistance.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

std::int64_t ulps(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b) ? 0 : std::numeric_limits<std::int64_t>::max();
    return UlpDistance(a, b);
}

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

// The power of ten of the leading digit of decimal text, for text from_chars finds out of range: such a
// number rounds to infinity when that power is positive, to zero otherwise.
long long leadingPower(const char* p, const char* end)
{
    long long power = -1;
    bool found = false;
    for (; p < end && digit(*p); ++p) {
        if (found || *p != '0') {
            found = true;
            ++power;
        }
    }
    if (p < end && *p == '.') {
        ++p;
        for (long long zeros = 1; p < end && digit(*p); ++p, ++zeros) {
            if (!found && *p != '0') {
                found = true;
                power = -zeros;
            }
        }
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool negative = p < end && *p == '-';
        p += p < end && (*p == '-' || *p == '+') ? 1 : 0;
        long long exponent = 0;
        for (; p < end && digit(*p); ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), 1000000000LL);
        power += negative ? -exponent : exponent;
    }
    return power;
}

// What ParseDouble must give: atof's leading white space and sign, then from_chars on the digits.
double reference(const std::string& text)
{
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r')
        ++p;
    const bool negative = *p == '-';
    p += negative || *p == '+' ? 1 : 0;
    if (!digit(*p) && !(*p == '.' && digit(p[1])))
        return 0.0; // no number at all: atof gives +0 whatever the sign
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(p, p + std::strlen(p), value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range)
        value = leadingPower(p, r.ptr) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double parsed = platform::ParseDouble(text.c_str());
    const double expected = reference(text);
    if (std::memcmp(&parsed, &expected, sizeof parsed) != 0)
        __builtin_trap();

    if (std::isfinite(parsed)) {
        char buffer[400];
        const std::to_chars_result r
            = std::to_chars(buffer, buffer + sizeof buffer, parsed, std::chars_format::fixed, 6);
        if (platform::FormatFixed(parsed) != std::string(buffer, r.ptr))
            __builtin_trap();
    }

    if (size >= 16) {
        double x, y;
        std::memcpy(&x, data, sizeof x);
        std::memcpy(&y, data + 8, sizeof y);
        // Beyond 2^20 pi/2 glibc itself strays a few units (eight at the hardest argument, where ours is
        // right to the last bit): there a wrong quadrant or a lost reduction is what to catch.
        const bool huge = std::fabs(x) > 1.6e6;
        auto close = [huge](double ours, double theirs) {
            return huge ? std::fabs(ours - theirs) <= 0x1p-40 || (std::isnan(ours) && std::isnan(theirs))
                        : ulps(ours, theirs) <= 1;
        };
        if (!close(platform::Cos(x), std::cos(x)) || !close(platform::Sin(x), std::sin(x))
            || ulps(platform::Atan2(y, x), std::atan2(y, x)) > 1)
            __builtin_trap();
    }
    return 0;
}
