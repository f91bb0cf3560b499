// Our own cos, sin, atan2 and decimal conversions: the same bits on every build, and still what the C
// library would give, give or take the last bit (trigonometry) or exactly (decimal text).
#include "platform/Numbers.h"
#include "platform/Trigonometry.h"
#include "tests/platform/UlpDistance.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

TEST(Trigonometry, SpecialAndExactlyKnownValues)
{
    // The worst case for reducing a double by pi/2 lies 2^-61 from a multiple; its cosine, to the last bit,
    // came from 3000 bits of pi.
    const double hardest = 6381956970095103.0 * std::ldexp(1.0, 797);
    const struct {
        double x, cos, sin;
    } cases[] = {
        { 0.0, 1.0, 0.0 },
        { -0.0, 1.0, -0.0 },
        { 1e-300, 1.0, 1e-300 },
        { -5e-324, 1.0, -5e-324 },
        { 3.141592653589793, -1.0, 1.2246467991473532e-16 },
        { 1.5707963267948966, 6.123233995736766e-17, 1.0 },
        { hardest, -0x1.14ae72e6ba22fp-61, 1.0 },
        { kInf, kNaN, kNaN },
        { -kInf, kNaN, kNaN },
        { kNaN, kNaN, kNaN },
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(sameBits(platform::Cos(c.x), c.cos)) << "cos " << c.x << " = " << platform::Cos(c.x);
        EXPECT_TRUE(sameBits(platform::Sin(c.x), c.sin)) << "sin " << c.x << " = " << platform::Sin(c.x);
    }

    const double pi = 3.141592653589793;
    const struct {
        double y, x, atan2;
    } angles[] = {
        { 0.0, 1.0, 0.0 },
        { -0.0, 1.0, -0.0 },
        { 0.0, -1.0, pi },
        { -0.0, -1.0, -pi },
        { 0.0, 0.0, 0.0 },
        { 0.0, -0.0, pi },
        { -0.0, -0.0, -pi },
        { 1.0, 0.0, pi / 2 },
        { -1.0, -0.0, -pi / 2 },
        { kInf, kInf, pi / 4 },
        { kInf, -kInf, 3 * pi / 4 },
        { -kInf, -kInf, -3 * pi / 4 },
        { 1.0, -kInf, pi },
        { -1.0, kInf, -0.0 },
        { 1e300, -1e-300, pi / 2 }, // the quotient would overflow
        { -1e-300, -1e300, -pi }, // the quotient would vanish
        { 1.0, 1.0, pi / 4 },
        { kNaN, 1.0, kNaN },
    };
    for (const auto& a : angles)
        EXPECT_TRUE(sameBits(platform::Atan2(a.y, a.x), a.atan2))
            << "atan2(" << a.y << ", " << a.x << ") = " << platform::Atan2(a.y, a.x);
}

// A wrong coefficient, quadrant or reduction step shows as results many units off somewhere in these.
TEST(Trigonometry, WithinOneUnitOfTheCLibraryEverywhere)
{
    std::mt19937_64 random(2024);
    const struct {
        const char* name;
        double low, high;
    } ranges[] = {
        { "tiny", -1e-6, 1e-6 },
        { "one turn", -7.0, 7.0 },
        { "hundreds of turns", -3000.0, 3000.0 },
        { "medium reduction limit", -2e6, 2e6 },
        { "large", -1e22, 1e22 },
    };
    for (const auto& range : ranges) {
        std::uniform_real_distribution<double> pick(range.low, range.high);
        std::int64_t worst = 0;
        for (int i = 0; i < 20000; ++i) {
            const double x = pick(random);
            const double y = pick(random);
            worst = std::max({ worst, UlpDistance(platform::Cos(x), std::cos(x)),
                UlpDistance(platform::Sin(x), std::sin(x)), UlpDistance(platform::Atan2(y, x), std::atan2(y, x)) });
        }
        EXPECT_LE(worst, 1) << range.name;
    }
    // Every binary exponent, both signs.
    std::int64_t worst = 0;
    for (int e = -1074; e <= 1023; ++e) {
        const double x = std::ldexp(1.0 + static_cast<double>(random() >> 12) * 0x1p-52, e);
        worst = std::max({ worst, UlpDistance(platform::Cos(x), std::cos(x)),
            UlpDistance(platform::Sin(-x), std::sin(-x)), UlpDistance(platform::Atan2(x, 0.75), std::atan2(x, 0.75)),
            UlpDistance(platform::Atan2(-0.75, -x), std::atan2(-0.75, -x)) });
    }
    EXPECT_LE(worst, 1);
}

// The reference: the standard library's exact conversion, with its range errors read as atof would.
double referenceParse(const std::string& text)
{
    const char* p = text.c_str();
    const bool negative = *p == '-';
    p += negative || *p == '+' ? 1 : 0;
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(p, p + std::strlen(p), value);
    // Out of range means it rounds to zero or to infinity; for the scientific text here, the sign of the
    // exponent tells which.
    if (r.ec == std::errc::result_out_of_range)
        value = text.find("e-") != std::string::npos ? 0.0 : kInf;
    return negative ? -value : value;
}

std::string referenceFixed(double value)
{
    char buffer[400];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, r.ptr);
}

TEST(Numbers, DecimalTextReadsAsTheNearestDouble)
{
    const std::string zeros400(400, '0');
    const struct {
        std::string text;
        double value;
    } cases[] = {
        { "9007199254740993", 9007199254740992.0 }, // halfway: to even
        { "9007199254740995", 9007199254740996.0 },
        { "9007199254740993.000000000000000000000000001", 9007199254740994.0 }, // just past halfway
        { "2.4703282292062327e-324", 0.0 }, // just below half the smallest subnormal
        { "2.4703282292062328e-324", 5e-324 },
        { "2.2250738585072011e-308", 2.225073858507201e-308 }, // largest subnormal
        { "1.7976931348623158e308", 1.7976931348623157e308 }, // rounds down to the largest double
        { "1.7976931348623159e308", kInf },
        { "0." + zeros400 + "1", 0.0 }, // tiny without an exponent: once read as infinity
        { "9" + zeros400 + "e-5", kInf }, // huge with a negative exponent: once read as zero
        { "0.000" + zeros400 + "e999", 0.0 },
        { "1" + zeros400 + zeros400 + "e-790", 1e10 }, // more digits than are kept
        { "1" + zeros400 + zeros400 + "1e-801", 1.0 },
        { "123.456e-2junk", 1.23456 },
        { "-0", -0.0 },
    };
    for (const auto& c : cases)
        EXPECT_TRUE(sameBits(platform::ParseDouble(c.text.c_str()), c.value))
            << c.text.substr(0, 60) << " -> " << platform::ParseDouble(c.text.c_str());
}

TEST(Numbers, ConversionsMatchTheStandardLibraryBitForBit)
{
    std::mt19937_64 random(17);
    char buffer[64];
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (!std::isfinite(d))
            continue;
        // Shortest text, 17 digits, and a random number of digits (often not the nearest text).
        std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, d);
        const std::string texts[] = { std::string(buffer, r.ptr),
            std::string(
                buffer, std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::scientific, 16).ptr),
            std::string(buffer,
                std::to_chars(
                    buffer, buffer + sizeof buffer, d, std::chars_format::scientific, static_cast<int>(random() % 20))
                    .ptr) };
        for (const std::string& text : texts)
            ASSERT_TRUE(sameBits(platform::ParseDouble(text.c_str()), referenceParse(text))) << text;

        // Fixed text of values near the six decimals, and of floats, which is what parameters hold.
        double near = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 120) - 80);
        float f;
        const std::uint32_t floatBits = static_cast<std::uint32_t>(random());
        std::memcpy(&f, &floatBits, sizeof f);
        for (double v : { near, -near, static_cast<double>(f) }) {
            if (std::isfinite(v)) {
                ASSERT_EQ(platform::FormatFixed(v), referenceFixed(v)) << std::hexfloat << v;
            }
        }
    }
    EXPECT_EQ(platform::FormatFixed(0.0000025), "0.000003"); // 0.0000025 is stored a hair above
    EXPECT_EQ(platform::FormatFixed(-0.0), "-0.000000");
    EXPECT_EQ(platform::FormatFixed(1e300).size(), 301u + 7u);
}

} // namespace
