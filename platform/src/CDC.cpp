#include "platform/CDC.h"

#include "platform/PixelBudget.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

bool CPen::CreatePen(int style, int width, COLORREF color)
{
    style_ = style;
    width_ = width;
    color_ = color;
    return true;
}

bool CBrush::CreateSolidBrush(COLORREF color)
{
    hollow_ = false;
    color_ = color;
    return true;
}

bool CBrush::CreateBrushIndirect(const LOGBRUSH* brush)
{
    if (!brush)
        return false;
    hollow_ = brush->lbStyle == BS_NULL;
    color_ = brush->lbColor;
    return true;
}

CDC::CDC(int width, int height)
{
    if (PictureFits(width, height)) {
        owned_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xFF000000u);
        bits_ = owned_.data();
        width_ = width;
        height_ = height;
        stride_ = width;
    }
}

CDC::CDC(std::uint32_t* bits, int width, int height, int stride)
{
    if (bits && width > 0 && height > 0 && stride >= width) {
        bits_ = bits;
        width_ = width;
        height_ = height;
        stride_ = stride;
    }
}

CPen* CDC::SelectObject(CPen* pen)
{
    CPen* previous = pen_;
    pen_ = pen ? pen : &defaultPen_;
    return previous;
}

CBrush* CDC::SelectObject(CBrush* brush)
{
    CBrush* previous = brush_;
    brush_ = brush ? brush : &defaultBrush_;
    return previous;
}

int CDC::SetROP2(int mode)
{
    int previous = rop_;
    rop_ = mode;
    return previous;
}

int CDC::SetBkMode(int mode)
{
    int previous = bkMode_;
    bkMode_ = mode;
    return previous;
}

CPoint CDC::MoveTo(int x, int y)
{
    CPoint previous = position_;
    position_ = CPoint(x, y);
    return previous;
}

void CDC::plot(long long x, long long y)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    std::uint32_t& p
        = bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_) + static_cast<std::size_t>(x)];
    p = rop_ == R2_NOT ? (~p | 0xFF000000u) : ToSurfacePixel(pen_->color());
}

bool CDC::LineTo(int x, int y)
{
    const long long x0 = position_.x;
    const long long y0 = position_.y;
    position_ = CPoint(x, y);
    if (pen_->style() == PS_NULL || !bits_)
        return true;

    // Bresenham along the major axis, with the minor coordinate of step i in closed form, so that only
    // the steps that land on the surface are visited, however long the line.
    const long long dx = static_cast<long long>(x) - x0;
    const long long dy = static_cast<long long>(y) - y0;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long major = xMajor ? std::llabs(dx) : std::llabs(dy);
    const long long minor = xMajor ? std::llabs(dy) : std::llabs(dx);
    if (major == 0)
        return true;
    const long long sMajor = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const long long sMinor = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const long long startMajor = xMajor ? x0 : y0;
    const long long startMinor = xMajor ? y0 : x0;
    const long long limitMajor = xMajor ? width_ : height_;
    const long long limitMinor = xMajor ? height_ : width_;

    // A line from one pixel of the surface to another (the particles' streaks, nearly always) has every
    // step on the surface: walk it with the running remainder of the same division, two additions a
    // step instead of a 128-bit division.
    if (x0 >= 0 && y0 >= 0 && x0 < width_ && y0 < height_ && x >= 0 && y >= 0 && x < width_ && y < height_) {
        const std::uint32_t ink = ToSurfacePixel(pen_->color());
        const std::ptrdiff_t stepMajor = xMajor ? sMajor : sMajor * stride_;
        const std::ptrdiff_t stepMinor = xMajor ? sMinor * stride_ : sMinor;
        std::uint32_t* p = bits_ + y0 * stride_ + x0;
        // minor(i) = floor((2 i minor + major) / (2 major)): the remainder starts at major.
        long long remainder = major;
        for (long long i = 0; i < major; ++i) {
            *p = rop_ == R2_NOT ? (~*p | 0xFF000000u) : ink;
            p += stepMajor;
            remainder += 2 * minor;
            if (remainder >= 2 * major) {
                remainder -= 2 * major;
                p += stepMinor;
            }
        }
        return true;
    }

    // 2 i minor + major needs more than 64 bits for the longest lines; GCC and Clang have a 128-bit type.
    __extension__ typedef __int128 Wide;
    auto minorAt = [&](long long i) {
        const Wide num = static_cast<Wide>(2) * i * minor + major;
        return startMinor + sMinor * static_cast<long long>(num / (2 * static_cast<Wide>(major)));
    };

    // Steps 0 .. major-1 (the end point is left out). Keep those whose major coordinate is on the surface.
    long long lo = 0;
    long long hi = major - 1;
    if (sMajor > 0) {
        lo = std::max(lo, -startMajor);
        hi = std::min(hi, limitMajor - 1 - startMajor);
    } else {
        lo = std::max(lo, startMajor - (limitMajor - 1));
        hi = std::min(hi, startMajor);
    }
    if (lo > hi)
        return true;
    // The minor coordinate is monotonic in i: narrow [lo, hi] to where it is on the surface.
    auto inMinor = [&](long long i) {
        long long m = minorAt(i);
        return m >= 0 && m < limitMinor;
    };
    auto beforeSurface = [&](long long i) { // true while the minor coordinate has not reached the surface
        long long m = minorAt(i);
        return sMinor > 0 ? m < 0 : m >= limitMinor;
    };
    long long a = lo;
    long long b = hi + 1;
    while (a < b) { // first i not before the surface
        long long mid = a + (b - a) / 2;
        if (beforeSurface(mid))
            a = mid + 1;
        else
            b = mid;
    }
    lo = a;
    for (long long i = lo; i <= hi; ++i) {
        if (!inMinor(i))
            break;
        long long pMajor = startMajor + sMajor * i;
        long long pMinor = minorAt(i);
        if (xMajor)
            plot(pMajor, pMinor);
        else
            plot(pMinor, pMajor);
    }
    return true;
}

void CDC::span(long long y, long long x0, long long x1, std::uint32_t pixel, bool usePenRop)
{
    if (y < 0 || y >= height_)
        return;
    x0 = std::max<long long>(x0, 0);
    x1 = std::min<long long>(x1, width_ - 1);
    std::uint32_t* row = bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_);
    for (long long x = x0; x <= x1; ++x) {
        if (usePenRop && rop_ == R2_NOT)
            row[x] = ~row[x] | 0xFF000000u;
        else
            row[x] = pixel;
    }
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color)
{
    long long x0 = x;
    long long y0 = y;
    long long x1 = x0 + cx;
    long long y1 = y0 + cy;
    if (x1 < x0)
        std::swap(x0, x1);
    if (y1 < y0)
        std::swap(y0, y1);
    if (!bits_)
        return;
    const std::uint32_t pixel = ToSurfacePixel(color);
    for (long long row = std::max<long long>(y0, 0); row < std::min<long long>(y1, height_); ++row)
        span(row, x0, x1 - 1, pixel, false);
}

void CDC::FillSolidRect(const CRect& rect, COLORREF color)
{
    if (rect.left == rect.right || rect.top == rect.bottom)
        return;
    FillSolidRect(rect.left, rect.top, static_cast<int>(static_cast<long long>(rect.right) - rect.left),
        static_cast<int>(static_cast<long long>(rect.bottom) - rect.top), color);
}

bool CDC::Ellipse(int x1, int y1, int x2, int y2)
{
    long long l = std::min(x1, x2);
    long long r = std::max(x1, x2);
    long long t = std::min(y1, y2);
    long long b = std::max(y1, y2);
    if (r - l <= 0 || b - t <= 0 || !bits_)
        return true;
    // Pixel centres inside the ellipse inscribed in [l, r) x [t, b) form the region; its outline is the
    // pixels of the region with a neighbour above, below, left or right outside it.
    const double cx = (static_cast<double>(l) + static_cast<double>(r) - 1.0) / 2.0;
    const double cy = (static_cast<double>(t) + static_cast<double>(b) - 1.0) / 2.0;
    const double ax = (static_cast<double>(r - l) - 1.0) / 2.0;
    const double ay = (static_cast<double>(b - t) - 1.0) / 2.0;
    struct Span {
        long long from;
        long long to; // inclusive; from > to when the row is empty
    };
    auto rowSpan = [&](long long y) -> Span {
        if (y < t || y >= b)
            return { 1, 0 };
        double v = ay > 0 ? (static_cast<double>(y) - cy) / ay : 0.0;
        double w = 1.0 - v * v;
        if (w < 0)
            return { 1, 0 };
        // Half a pixel of slack, so that the outline reaches every side of the box.
        double half = ax * std::sqrt(w) + 0.5;
        return { static_cast<long long>(std::ceil(cx - half - 1e-9)),
            static_cast<long long>(std::floor(cx + half + 1e-9)) };
    };
    const bool penDraws = pen_->style() != PS_NULL;
    const std::uint32_t penPixel = ToSurfacePixel(pen_->color());
    const std::uint32_t brushPixel = ToSurfacePixel(brush_->color());
    for (long long y = std::max<long long>(t, 0); y < std::min<long long>(b, height_); ++y) {
        Span s = rowSpan(y);
        if (s.from > s.to)
            continue;
        Span up = rowSpan(y - 1);
        Span down = rowSpan(y + 1);
        // Inside pixels: strictly within this row's span and covered by the rows above and below.
        long long inFrom = std::max({ s.from + 1, up.from, down.from });
        long long inTo = std::min({ s.to - 1, up.to, down.to });
        if (up.from > up.to || down.from > down.to)
            inFrom = 1, inTo = 0;
        if (inFrom > inTo) {
            if (penDraws)
                span(y, s.from, s.to, penPixel, true);
            continue;
        }
        if (!brush_->hollow())
            span(y, inFrom, inTo, brushPixel, false);
        if (penDraws) {
            span(y, s.from, inFrom - 1, penPixel, true);
            span(y, inTo + 1, s.to, penPixel, true);
        }
    }
    return true;
}

bool CDC::BitBlt(int x, int y, int w, int h, const CDC* source, int sx, int sy)
{
    if (!source || !bits_ || !source->bits_ || w <= 0 || h <= 0)
        return false;
    long long dx0 = x, dy0 = y, sx0 = sx, sy0 = sy, ww = w, hh = h;
    // Clip against both surfaces.
    long long shift = std::max({ 0LL, -dx0, -sx0 });
    dx0 += shift, sx0 += shift, ww -= shift;
    shift = std::max({ 0LL, -dy0, -sy0 });
    dy0 += shift, sy0 += shift, hh -= shift;
    ww = std::min({ ww, width_ - dx0, source->width_ - sx0 });
    hh = std::min({ hh, height_ - dy0, source->height_ - sy0 });
    if (ww <= 0 || hh <= 0)
        return true;
    for (long long row = 0; row < hh; ++row) {
        const std::uint32_t* from = source->bits_ + static_cast<std::size_t>(sy0 + row) * source->stride_ + sx0;
        std::uint32_t* to = bits_ + static_cast<std::size_t>(dy0 + row) * stride_ + dx0;
        std::copy(from, from + ww, to);
    }
    return true;
}

COLORREF CDC::GetPixel(int x, int y) const
{
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0xFFFFFFFFul;
    return FromSurfacePixel(bits_[static_cast<std::size_t>(y) * stride_ + x]);
}

void CDC::SetPixel(int x, int y, COLORREF color)
{
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    bits_[static_cast<std::size_t>(y) * stride_ + x] = ToSurfacePixel(color);
}
