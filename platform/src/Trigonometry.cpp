#include "platform/Trigonometry.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// The method is the classic one of Sun's fdlibm: reduce the argument to [-pi/4, pi/4] as a head and a
// tail, then evaluate minimax polynomials whose coefficients are fdlibm's. Everything is plain double
// arithmetic in a fixed order (the build forbids fused multiply-adds), so the bits do not depend on the
// machine or on its C library.
namespace platform {
namespace {

std::uint64_t bitsOf(double x)
{
    std::uint64_t u;
    std::memcpy(&u, &x, sizeof u);
    return u;
}

// The biased exponent field.
int exponentOf(double x)
{
    return static_cast<int>((bitsOf(x) >> 52) & 0x7FF);
}

double magnitude(double x)
{
    return x < 0.0 ? -x : x;
}

double withSignOf(double value, double sign)
{
    const std::uint64_t u
        = (bitsOf(value) & ~(std::uint64_t { 1 } << 63)) | (bitsOf(sign) & (std::uint64_t { 1 } << 63));
    double out;
    std::memcpy(&out, &u, sizeof out);
    return out;
}

constexpr double kPio4 = 7.85398163397448278999e-01;
constexpr double kInvPio2 = 6.36619772367581382433e-01;
// pi/2 in three 33-bit pieces, each with the rest of pi/2 after it: a multiple n < 2^20 of a piece is
// exact, so x - n pi/2 loses nothing to rounding.
constexpr double kPio2_1 = 1.57079632673412561417e+00;
constexpr double kPio2_1t = 6.07710050650619224932e-11;
constexpr double kPio2_2 = 6.07710050630396597660e-11;
constexpr double kPio2_2t = 2.02226624879595063154e-21;
constexpr double kPio2_3 = 2.02226624871116645580e-21;
constexpr double kPio2_3t = 8.47842766036889956997e-32;
// Adding and subtracting 1.5 * 2^52 rounds a double of magnitude below 2^51 to the nearest integer.
constexpr double kToInt = 6755399441055744.0;
// Beyond 2^20 pi/2 the pieces above are no longer exact multiples.
constexpr double kMediumLimit = 1647099.3291652855;

// The first 1280 bits of 2/pi: enough for the largest double, whose reduction needs the bits from
// 2^-969 on, plus a 256-bit window.
constexpr std::uint64_t kTwoOverPi[] = {
    0xA2F9836E4E441529,
    0xFC2757D1F534DDC0,
    0xDB6295993C439041,
    0xFE5163ABDEBBC561,
    0xB7246E3A424DD2E0,
    0x06492EEA09D1921C,
    0xFE1DEB1CB129A73E,
    0xE88235F52EBB4484,
    0xE99C7026B45F7E41,
    0x3991D639835339F4,
    0x9C845F8BBDF9283B,
    0x1FF897FFDE05980F,
    0xEF2F118B5A0A6D1F,
    0x6D367ECF27CB09B7,
    0x4F463F669E5FEA2D,
    0x7527BAC7EBE5F17B,
    0x3D0739F78A5292EA,
    0x6BFB5FB11F8D5D08,
    0x56033046FC7B6BAB,
    0xF0CFBC209AF4361D,
};
constexpr int kTwoOverPiBits = 64 * static_cast<int>(sizeof kTwoOverPi / sizeof kTwoOverPi[0]);

// Multi-word integers for the reduction of huge arguments: 32-bit limbs, least significant first.
template <std::size_t N> using Limbs = std::array<std::uint32_t, N>;

template <std::size_t A, std::size_t B> Limbs<A + B> multiply(const Limbs<A>& a, const Limbs<B>& b)
{
    Limbs<A + B> out {};
    for (std::size_t i = 0; i < A; ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < B; ++j) {
            const std::uint64_t t = std::uint64_t { a[i] } * b[j] + out[i + j] + carry;
            out[i + j] = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        out[i + B] = static_cast<std::uint32_t>(carry);
    }
    return out;
}

template <std::size_t N> unsigned bitAt(const Limbs<N>& v, int k)
{
    if (k < 0 || k >= static_cast<int>(32 * N))
        return 0;
    return (v[static_cast<std::size_t>(k) / 32] >> (k % 32)) & 1u;
}

// Bits [from, from + 64) of v; bits outside v are zero.
template <std::size_t N> std::uint64_t bitsFrom(const Limbs<N>& v, int from)
{
    std::uint64_t out = 0;
    for (int k = 63; k >= 0; --k)
        out = (out << 1) | bitAt(v, from + k);
    return out;
}

// Bit i of 2/pi, the bit worth 2^-i; zero for i < 1.
unsigned twoOverPiBit(int i)
{
    if (i < 1 || i > kTwoOverPiBits)
        return 0;
    const int z = i - 1;
    return static_cast<unsigned>(kTwoOverPi[z / 64] >> (63 - z % 64)) & 1u;
}

// Reduction of |x| >= kMediumLimit (finite, positive): x = n pi/2 + (y0 + y1) with |y0 + y1| <= pi/4.
// With x = m 2^e (m an integer of 53 bits), the bits of 2/pi worth more than 2^(e-3) only add
// multiples of 8 to x 2/pi, so a window of 256 bits after them gives the quadrant and a fraction good
// to far more bits than any double needs, however close x comes to a multiple of pi/2.
int reduceLarge(double x, double& y0, double& y1)
{
    const std::uint64_t u = bitsOf(x);
    const int e = static_cast<int>((u >> 52) & 0x7FF) - 1075;
    const std::uint64_t m = (u & ((std::uint64_t { 1 } << 52) - 1)) | (std::uint64_t { 1 } << 52);
    const Limbs<2> mantissa = { static_cast<std::uint32_t>(m), static_cast<std::uint32_t>(m >> 32) };

    // window = the 256 bits of 2/pi from 2^-(e-2) down, as an integer.
    Limbs<8> window {};
    for (int k = 0; k < 256; ++k) {
        const int bit = 255 - k;
        window[static_cast<std::size_t>(bit / 32)] |= twoOverPiBit(e - 2 + k) << (bit % 32);
    }
    // x 2/pi = product 2^-253 (mod 8): the quadrant is bits 253..255, the fraction the 253 below.
    const Limbs<10> product = multiply(mantissa, window);
    int n = static_cast<int>(bitAt(product, 253) | bitAt(product, 254) << 1 | bitAt(product, 255) << 2);
    Limbs<8> fraction {}; // in units of 2^-256
    for (int k = 0; k < 253; ++k)
        fraction[static_cast<std::size_t>((k + 3) / 32)] |= bitAt(product, k) << ((k + 3) % 32);
    bool negative = false;
    if (bitAt(fraction, 255)) {
        // Past the middle of the quadrant: count the next one and go back from it.
        ++n;
        negative = true;
        bool borrow = false; // 2^256 - fraction, limb by limb
        for (std::uint32_t& limb : fraction) {
            const std::uint32_t original = limb;
            limb = 0u - original - (borrow ? 1u : 0u);
            borrow = borrow || original != 0;
        }
    }

    // r = fraction pi/2, with pi/2 to 127 bits: r = scaled 2^-382.
    static constexpr Limbs<4> kPio2Scaled = { 0xC06E0E69, 0x62633145, 0x10B4611A, 0x6487ED51 }; // pi/2 2^126
    const Limbs<12> scaled = multiply(fraction, kPio2Scaled);
    int top = 32 * 12 - 1;
    while (top >= 0 && !bitAt(scaled, top))
        --top;
    if (top < 0) {
        y0 = y1 = 0.0;
        return n;
    }
    // Round the leading 53 bits to nearest (ties to even, the bits below the next 64 deciding) and keep
    // what is left, exactly in integers, as the tail.
    const std::uint64_t a = bitsFrom(scaled, top - 63);
    const std::uint64_t b = bitsFrom(scaled, top - 127);
    bool sticky = false;
    for (int k = 0; k < top - 127 && !sticky; ++k)
        sticky = bitAt(scaled, k) != 0;
    std::uint64_t head = a >> 11;
    const std::uint64_t low11 = a & 0x7FF;
    const bool up = low11 > 0x400 || (low11 == 0x400 && (b != 0 || sticky || (head & 1)));
    double tail; // in units of the lowest bit of b
    if (!up) {
        tail = static_cast<double>(low11) * 18446744073709551616.0 + static_cast<double>(b);
    } else {
        ++head;
        const std::uint64_t restHigh = 0x800 - low11 - (b != 0 ? 1 : 0);
        const std::uint64_t restLow = std::uint64_t { 0 } - b;
        tail = -(static_cast<double>(restHigh) * 18446744073709551616.0 + static_cast<double>(restLow));
    }
    const int headUnit = top - 52 - 382; // the head's lowest bit is worth 2^headUnit
    y0 = std::ldexp(static_cast<double>(head), headUnit);
    y1 = std::ldexp(tail, headUnit - 75);
    if (negative) {
        y0 = -y0;
        y1 = -y1;
    }
    return n;
}

// x = n pi/2 + (y0 + y1), |y0 + y1| <= pi/4 (give or take the last bit); returns n modulo 4 or more.
int reduce(double x, double& y0, double& y1)
{
    const double ax = magnitude(x);
    if (ax >= kMediumLimit) {
        const int n = reduceLarge(ax, y0, y1);
        if (x < 0.0) {
            y0 = -y0;
            y1 = -y1;
            return -n;
        }
        return n;
    }
    double fn = x * kInvPio2 + kToInt;
    fn = fn - kToInt;
    int n = static_cast<int>(fn);
    double r = x - fn * kPio2_1;
    double w = fn * kPio2_1t;
    y0 = r - w;
    // x 2/pi rounded to the nearest integer may still leave y0 a hair beyond pi/4 when x 2/pi is
    // within rounding of a half; step to the neighbouring multiple so the kernels stay in their range.
    if (y0 < -kPio4 || y0 > kPio4) {
        const double step = y0 < 0.0 ? -1.0 : 1.0;
        fn += step;
        n += static_cast<int>(step);
        r = x - fn * kPio2_1;
        w = fn * kPio2_1t;
        y0 = r - w;
    }
    // When x is close to a multiple of pi/2 the first piece cancels most of it: go on with the next.
    const int ex = exponentOf(x);
    if (ex - exponentOf(y0) > 16) {
        double t = r;
        w = fn * kPio2_2;
        r = t - w;
        w = fn * kPio2_2t - ((t - r) - w);
        y0 = r - w;
        if (ex - exponentOf(y0) > 49) {
            t = r;
            w = fn * kPio2_3;
            r = t - w;
            w = fn * kPio2_3t - ((t - r) - w);
            y0 = r - w;
        }
    }
    y1 = (r - y0) - w;
    return n;
}

// sin(x + y) for |x| <= pi/4, y the tail of x.
double kernelSin(double x, double y)
{
    constexpr double S1 = -1.66666666666666324348e-01;
    constexpr double S2 = 8.33333333332248946124e-03;
    constexpr double S3 = -1.98412698298579493134e-04;
    constexpr double S4 = 2.75573137070700676789e-06;
    constexpr double S5 = -2.50507602534068634195e-08;
    constexpr double S6 = 1.58969099521155010221e-10;
    const double z = x * x;
    const double w = z * z;
    const double r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
    const double v = z * x;
    if (y == 0.0)
        return x + v * (S1 + z * r);
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// cos(x + y) for |x| <= pi/4, y the tail of x.
double kernelCos(double x, double y)
{
    constexpr double C1 = 4.16666666666666019037e-02;
    constexpr double C2 = -1.38888888888741095749e-03;
    constexpr double C3 = 2.48015872894767294178e-05;
    constexpr double C4 = -2.75573143513906633035e-07;
    constexpr double C5 = 2.08757232129817482790e-09;
    constexpr double C6 = -1.13596475577881948265e-11;
    const double z = x * x;
    const double w = z * z;
    const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
    // 1 - z/2 rounded, with the rounding error carried into the small terms.
    const double hz = 0.5 * z;
    const double one = 1.0 - hz;
    return one + (((1.0 - one) - hz) + (z * r - x * y));
}

// atan(x) for x >= 0: from a polynomial near 0, otherwise around the nearest of atan(1/2), atan(1),
// atan(3/2) and atan(inf), each given as a head and a tail.
double atanNonNegative(double x)
{
    constexpr double kAtanHi[] = { 4.63647609000806093515e-01, 7.85398163397448278999e-01, 9.82793723247329054082e-01,
        1.57079632679489655800e+00 };
    constexpr double kAtanLo[] = { 2.26987774529616870924e-17, 3.06161699786838301793e-17, 1.39033110312309984516e-17,
        6.12323399573676603587e-17 };
    constexpr double T[] = { 3.33333333333329318027e-01, -1.99999999998764832476e-01, 1.42857142725034663711e-01,
        -1.11111104054623557880e-01, 9.09088713343650656196e-02, -7.69187620504482999495e-02,
        6.66107313738753120669e-02, -5.83357013379057348645e-02, 4.97687799461593236017e-02,
        -3.65315727442169155270e-02, 1.62858201153657823623e-02 };
    if (x >= 7.3786976294838206464e+19) // 2^66: atan is pi/2 to the last bit
        return kAtanHi[3] + kAtanLo[3];
    int id = -1;
    if (x < 0.4375) {
        if (x < 7.450580596923828125e-09) // 2^-27: atan(x) rounds to x
            return x;
    } else if (x < 1.1875) {
        if (x < 0.6875) {
            id = 0;
            x = (2.0 * x - 1.0) / (2.0 + x);
        } else {
            id = 1;
            x = (x - 1.0) / (x + 1.0);
        }
    } else if (x < 2.4375) {
        id = 2;
        x = (x - 1.5) / (1.0 + 1.5 * x);
    } else {
        id = 3;
        x = -1.0 / x;
    }
    const double z = x * x;
    const double w = z * z;
    // The odd and even terms as two polynomials in w, added at the end.
    const double s1 = z * (T[0] + w * (T[2] + w * (T[4] + w * (T[6] + w * (T[8] + w * T[10])))));
    const double s2 = w * (T[1] + w * (T[3] + w * (T[5] + w * (T[7] + w * T[9]))));
    if (id < 0)
        return x - x * (s1 + s2);
    return kAtanHi[id] - ((x * (s1 + s2) - kAtanLo[id]) - x);
}

} // namespace

double Sin(double x)
{
    const double ax = magnitude(x);
    if (ax <= kPio4) {
        if (ax < 3.7252902984e-09) // 2^-28: sin(x) rounds to x, signed zeros included
            return x;
        return kernelSin(x, 0.0);
    }
    if (!(ax <= std::numeric_limits<double>::max()))
        return x - x; // NaN for infinities and NaN
    double y0, y1;
    switch (reduce(x, y0, y1) & 3) {
    case 0:
        return kernelSin(y0, y1);
    case 1:
        return kernelCos(y0, y1);
    case 2:
        return -kernelSin(y0, y1);
    default:
        return -kernelCos(y0, y1);
    }
}

double Cos(double x)
{
    const double ax = magnitude(x);
    if (ax <= kPio4) {
        if (ax < 7.4505805969e-09) // 2^-27: cos(x) rounds to 1
            return 1.0;
        return kernelCos(x, 0.0);
    }
    if (!(ax <= std::numeric_limits<double>::max()))
        return x - x;
    double y0, y1;
    switch (reduce(x, y0, y1) & 3) {
    case 0:
        return kernelCos(y0, y1);
    case 1:
        return -kernelSin(y0, y1);
    case 2:
        return -kernelCos(y0, y1);
    default:
        return kernelSin(y0, y1);
    }
}

double Atan2(double y, double x)
{
    constexpr double kPi = 3.1415926535897931160e+00;
    constexpr double kPiLo = 1.2246467991473531772e-16;
    constexpr double kPio2 = 1.5707963267948965580e+00;
    if (x != x || y != y)
        return x + y;
    const bool xNegative = std::signbit(x);
    if (y == 0.0) // +-0 towards the right (and for x = +0), +-pi towards the left (and for x = -0)
        return xNegative ? withSignOf(kPi, y) : y;
    if (x == 0.0)
        return withSignOf(kPio2, y);
    const double ax = magnitude(x);
    const double ay = magnitude(y);
    const double inf = std::numeric_limits<double>::infinity();
    if (ax == inf) {
        if (ay == inf)
            return withSignOf(xNegative ? 3.0 * kPio4 : kPio4, y);
        return withSignOf(xNegative ? kPi : 0.0, y);
    }
    if (ay == inf)
        return withSignOf(kPio2, y);

    // atan(|y/x|), without forming a quotient that overflows or vanishes.
    const int k = exponentOf(ay) - exponentOf(ax);
    if (k > 60) // straight up or down, whichever side x is on
        return withSignOf(kPio2 + 0.5 * kPiLo, y);
    const double z = xNegative && k < -60 ? 0.0 : atanNonNegative(ay / ax);
    if (!xNegative)
        return withSignOf(z, y);
    return withSignOf(kPi - (z - kPiLo), y);
}

} // namespace platform
