#include "particle/core/PixelRows.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Deeper than any line of up to 2^32 pixels needs; only NaN-free but astronomically long lines, or
// float ends too coarse to separate, would go further.
constexpr int kMaxLineDepth = 32;

struct UnitTable {
    float value[256];
};
constexpr UnitTable makeUnitTable()
{
    UnitTable t {};
    for (int i = 0; i < 256; ++i)
        t.value[i] = static_cast<float>(i) / 255.0f;
    return t;
}
constexpr UnitTable kUnit = makeUnitTable();

} // namespace

float PixelRows::unit(int byte)
{
    return kUnit.value[byte & 0xFF];
}

PixelRows PixelRows::band(int begin, int end) const
{
    PixelRows b = *this;
    b.bandBegin_ = std::max(bandBegin_, begin);
    b.bandEnd_ = std::max(b.bandBegin_, std::min(bandEnd_, end));
    return b;
}

void PixelRows::line(const End& a, const End& b, int depth) const
{
    // A piece that cannot reach a pixel of the band plots nothing: skipping it keeps a huge line as
    // cheap as the part of it that is visible.
    if (std::max(a.x, b.x) <= -1.0f || std::min(a.x, b.x) >= static_cast<float>(width_) || !mayReachRows(a.y, b.y))
        return;
    const End mid = { (a.x + b.x) / 2, (a.y + b.y) / 2, (a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2,
        (a.alpha + b.alpha) / 2 };
    // NaN ends, or opposite infinities, have no pixel to plot and no halves worth drawing.
    if (std::isnan(mid.x) || std::isnan(mid.y))
        return;
    if (std::uint8_t* p = pixelBytes(truncate(mid.x), truncate(mid.y)))
        blend(p, pack(mid.r, mid.g, mid.b), mid.alpha);
    const long long dx = static_cast<long long>(truncate(b.x)) - truncate(a.x);
    const long long dy = static_cast<long long>(truncate(b.y)) - truncate(a.y);
    if ((std::llabs(dx) <= 1 && std::llabs(dy) <= 1) || depth >= kMaxLineDepth)
        return;
    line(a, mid, depth + 1);
    line(mid, b, depth + 1);
}

void PixelRows::lineInside(const End& a, const End& b) const
{
    const End mid = { (a.x + b.x) / 2, (a.y + b.y) / 2, (a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2,
        (a.alpha + b.alpha) / 2 };
    const int x = static_cast<int>(mid.x);
    const int y = static_cast<int>(mid.y);
    std::uint8_t* p = top_ + static_cast<std::ptrdiff_t>(y) * stride_ + static_cast<std::ptrdiff_t>(x) * 3;
    const float keep = 1.0f - mid.alpha;
    auto mix = [keep, alpha = mid.alpha](float unit, std::uint8_t& old) {
        const int fresh = static_cast<int>(unit * 255.0f) & 0xFF;
        old = static_cast<std::uint8_t>(
            static_cast<int>(keep * static_cast<float>(fresh) + alpha * static_cast<float>(old)));
    };
    mix(mid.b, p[0]);
    mix(mid.g, p[1]);
    mix(mid.r, p[2]);
    const int dx = static_cast<int>(b.x) - static_cast<int>(a.x);
    const int dy = static_cast<int>(b.y) - static_cast<int>(a.y);
    if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1)
        return;
    lineInside(a, mid);
    lineInside(mid, b);
}

void PixelRows::lineOneColour(const Colour& c, const Point& a, const Point& b) const
{
    Point mid { (a.x + b.x) / 2, (a.y + b.y) / 2, (a.alpha + b.alpha) / 2, 0, 0 };
    mid.px = static_cast<int>(mid.x);
    mid.py = static_cast<int>(mid.y);
    std::uint8_t* p = top_ + static_cast<std::ptrdiff_t>(mid.py) * stride_ + static_cast<std::ptrdiff_t>(mid.px) * 3;
    const float keep = 1.0f - mid.alpha;
    const float alpha = mid.alpha;
    p[0] = static_cast<std::uint8_t>(static_cast<int>(keep * c.b + alpha * static_cast<float>(p[0])));
    p[1] = static_cast<std::uint8_t>(static_cast<int>(keep * c.g + alpha * static_cast<float>(p[1])));
    p[2] = static_cast<std::uint8_t>(static_cast<int>(keep * c.r + alpha * static_cast<float>(p[2])));
    const int dx = b.px - a.px;
    const int dy = b.py - a.py;
    if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1)
        return;
    lineOneColour(c, a, mid);
    lineOneColour(c, mid, b);
}
