#include "player/imaging/store/CImageCanvas.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

COLORREF packBytes(int b3, int b2, int b1, int b0)
{
    return (static_cast<COLORREF>(b3 & 0xFF) << 24) | (static_cast<COLORREF>(b2 & 0xFF) << 16)
        | (static_cast<COLORREF>(b1 & 0xFF) << 8) | static_cast<COLORREF>(b0 & 0xFF);
}

COLORREF packBytesF(float b3, float b2, float b1, float b0)
{
    return packBytes(PixelRows::channel(b3), PixelRows::channel(b2), PixelRows::channel(b1), PixelRows::channel(b0));
}

float unit(int byte)
{
    return static_cast<float>(byte) / 255.0f;
}

// The part of [from, to) that can touch [0, size); anything beyond is ignored by the pixel writes
// anyway, and skipping it keeps huge shapes cheap.
struct Span {
    long long from, to;
};
Span clip(long long from, long long to, int size)
{
    return { std::max(from, 0LL), std::min(to, static_cast<long long>(size)) };
}

// A coordinate for the pixel calls: anything off the picture stays off it.
int coord(long long v)
{
    return v < 0 ? -1 : v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

} // namespace

int CImageCanvas::blend(int x, int y, COLORREF c, float alpha)
{
    // Where the picture has no such pixel the read would give grey or black and the write be ignored:
    // nothing changes, so only real pixels are worked out, in place.
    if (std::uint8_t* p = dib_.PixelBytes(x, y))
        PixelRows::blend(p, c, alpha);
    return 1;
}

int CImageCanvas::blend255(int x, int y, COLORREF c, int alpha)
{
    const COLORREF old = read(x, y);
    // 64-bit so that an alpha far outside 0..255 cannot overflow.
    auto mix = [alpha](int n, int o) {
        return static_cast<int>((n * (255LL - alpha) + o * static_cast<long long>(alpha)) / 255 & 0xFF);
    };
    return plot(x, y,
        RGB(mix(GetRValue(c), GetRValue(old)), mix(GetGValue(c), GetGValue(old)), mix(GetBValue(c), GetBValue(old))));
}

int CImageCanvas::put(int x, int y, const Ink& ink)
{
    switch (ink.kind) {
    case Ink::FloatAlpha:
        return blend(x, y, ink.color, ink.alpha);
    case Ink::IntAlpha:
        return blend255(x, y, ink.color, ink.alpha255);
    default:
        return plot(x, y, ink.color);
    }
}

int CImageCanvas::Lock()
{
    return dib_.Lock();
}

int CImageCanvas::IsLocked()
{
    return dib_.IsLocked() ? 1 : 0;
}

int CImageCanvas::Unlock()
{
    return dib_.Unlock();
}

COLORREF CImageCanvas::GetPixel(int x, int y)
{
    return read(x, y);
}

int CImageCanvas::GetRed(int x, int y)
{
    return GetRValue(read(x, y));
}

int CImageCanvas::GetGreen(int x, int y)
{
    return GetGValue(read(x, y));
}

int CImageCanvas::GetBlue(int x, int y)
{
    return GetBValue(read(x, y));
}

float CImageCanvas::GetRedF(int x, int y)
{
    return PixelRows::unit(GetRed(x, y));
}

float CImageCanvas::GetGreenF(int x, int y)
{
    return PixelRows::unit(GetGreen(x, y));
}

float CImageCanvas::GetBlueF(int x, int y)
{
    return PixelRows::unit(GetBlue(x, y));
}

int CImageCanvas::GetHue(int x, int y)
{
    return geometry_.GetIntHueFromRGB(read(x, y));
}

int CImageCanvas::GetSaturation(int x, int y)
{
    return geometry_.GetIntSaturationFromRGB(read(x, y));
}

int CImageCanvas::GetValue(int x, int y)
{
    return geometry_.GetIntValueFromRGB(read(x, y));
}

float CImageCanvas::GetHueF(int x, int y)
{
    return geometry_.GetHueFromRGB(read(x, y));
}

float CImageCanvas::GetSaturationF(int x, int y)
{
    return geometry_.GetSaturationFromRGB(read(x, y));
}

float CImageCanvas::GetValueF(int x, int y)
{
    return geometry_.GetValueFromRGB(read(x, y));
}

int CImageCanvas::GetByte3(int x, int y)
{
    return static_cast<int>((read(x, y) >> 24) & 0xFF);
}

int CImageCanvas::GetByte2(int x, int y)
{
    return static_cast<int>((read(x, y) >> 16) & 0xFF);
}

int CImageCanvas::GetByte1(int x, int y)
{
    return static_cast<int>((read(x, y) >> 8) & 0xFF);
}

int CImageCanvas::GetByte0(int x, int y)
{
    return static_cast<int>(read(x, y) & 0xFF);
}

float CImageCanvas::GetByte3F(int x, int y)
{
    return PixelRows::unit(GetByte3(x, y));
}

float CImageCanvas::GetByte2F(int x, int y)
{
    return PixelRows::unit(GetByte2(x, y));
}

float CImageCanvas::GetByte1F(int x, int y)
{
    return PixelRows::unit(GetByte1(x, y));
}

float CImageCanvas::GetByte0F(int x, int y)
{
    return PixelRows::unit(GetByte0(x, y));
}

int CImageCanvas::BlendPixelRGBF(int x, int y, float r, float g, float b, float alpha)
{
    return blend(x, y, PixelRows::pack(r, g, b), alpha);
}

int CImageCanvas::BlendPixelRGBF255(int x, int y, float r, float g, float b, int alpha)
{
    return blend255(x, y, PixelRows::pack(r, g, b), alpha);
}

int CImageCanvas::SetPixelRGBF(int x, int y, float r, float g, float b)
{
    return plot(x, y, PixelRows::pack(r, g, b));
}

int CImageCanvas::BlendPixelRGB(int x, int y, int r, int g, int b, float alpha)
{
    return blend(x, y, RGB(r, g, b), alpha);
}

int CImageCanvas::BlendPixelRGB255(int x, int y, int r, int g, int b, int alpha)
{
    return blend255(x, y, RGB(r, g, b), alpha);
}

int CImageCanvas::SetPixelRGB(int x, int y, int r, int g, int b)
{
    return plot(x, y, RGB(r, g, b));
}

int CImageCanvas::BlendPixel(int x, int y, COLORREF c, float alpha)
{
    return blend(x, y, c, alpha);
}

int CImageCanvas::BlendPixel255(int x, int y, COLORREF c, int alpha)
{
    return blend255(x, y, c, alpha);
}

int CImageCanvas::SetPixel(int x, int y, COLORREF c)
{
    return plot(x, y, c);
}

int CImageCanvas::BlendPixelHSVF(int x, int y, float h, float s, float v, float alpha)
{
    return blend(x, y, geometry_.HSVtoRGB(h, s, v), alpha);
}

int CImageCanvas::BlendPixelHSVF255(int x, int y, float h, float s, float v, int alpha)
{
    return blend255(x, y, geometry_.HSVtoRGB(h, s, v), alpha);
}

int CImageCanvas::SetPixelHSVF(int x, int y, float h, float s, float v)
{
    return plot(x, y, geometry_.HSVtoRGB(h, s, v));
}

int CImageCanvas::BlendPixelHSV(int x, int y, int h, int s, int v, float alpha)
{
    return blend(x, y, geometry_.HSVtoRGB(h, s, v), alpha);
}

int CImageCanvas::BlendPixelHSV255(int x, int y, int h, int s, int v, int alpha)
{
    return blend255(x, y, geometry_.HSVtoRGB(h, s, v), alpha);
}

int CImageCanvas::SetPixelHSV(int x, int y, int h, int s, int v)
{
    return plot(x, y, geometry_.HSVtoRGB(h, s, v));
}

int CImageCanvas::BlendPixelBytesF(int x, int y, float b3, float b2, float b1, float b0, float alpha)
{
    return blend(x, y, packBytesF(b3, b2, b1, b0), alpha);
}

int CImageCanvas::BlendPixelBytesF255(int x, int y, float b3, float b2, float b1, float b0, int alpha)
{
    return blend255(x, y, packBytesF(b3, b2, b1, b0), alpha);
}

int CImageCanvas::SetPixelBytesF(int x, int y, float b3, float b2, float b1, float b0)
{
    return plot(x, y, packBytesF(b3, b2, b1, b0));
}

int CImageCanvas::BlendPixelBytes(int x, int y, int b3, int b2, int b1, int b0, float alpha)
{
    return blend(x, y, packBytes(b3, b2, b1, b0), alpha);
}

int CImageCanvas::BlendPixelBytes255(int x, int y, int b3, int b2, int b1, int b0, int alpha)
{
    return blend255(x, y, packBytes(b3, b2, b1, b0), alpha);
}

int CImageCanvas::SetPixelBytes(int x, int y, int b3, int b2, int b1, int b0)
{
    return plot(x, y, packBytes(b3, b2, b1, b0));
}

void CImageCanvas::frame(int x0, int y0, int x1, int y1, const Ink& ink)
{
    const int top = y0;
    const int bottom = coord(y1 - 1LL);
    const Span xs = clip(x0, x1, dib_.GetWidth());
    for (long long x = xs.from; x < xs.to; ++x) {
        put(static_cast<int>(x), top, ink);
        put(static_cast<int>(x), bottom, ink);
    }
    const int left = x0;
    const int right = coord(x1 - 1LL);
    const Span ys = clip(y0, y1, dib_.GetHeight());
    for (long long y = ys.from; y < ys.to; ++y) {
        put(left, static_cast<int>(y), ink);
        put(right, static_cast<int>(y), ink);
    }
}

void CImageCanvas::fillRect(int x0, int y0, int x1, int y1, const Ink& border, const Ink& fill)
{
    const int bottom = coord(y1 - 1LL);
    const Span xs = clip(x0, x1, dib_.GetWidth());
    for (long long x = xs.from; x < xs.to; ++x) {
        put(static_cast<int>(x), y0, border);
        put(static_cast<int>(x), bottom, border);
    }
    const int right = coord(x1 - 1LL);
    const Span ys = clip(y0 + 1LL, y1 - 1LL, dib_.GetHeight());
    const Span inside = clip(x0 + 1LL, x1 - 1LL, dib_.GetWidth());
    for (long long y = ys.from; y < ys.to; ++y) {
        put(x0, static_cast<int>(y), border);
        put(right, static_cast<int>(y), border);
        for (long long x = inside.from; x < inside.to; ++x)
            put(static_cast<int>(x), static_cast<int>(y), fill);
    }
}

void CImageCanvas::fillCircle(int cx, int cy, int radius, const Ink& ink)
{
    if (radius <= 0)
        return;
    const auto r2 = static_cast<unsigned long long>(radius) * static_cast<unsigned long long>(radius);
    const Span ys = clip(static_cast<long long>(cy) - radius, static_cast<long long>(cy) + radius, dib_.GetHeight());
    const Span xs = clip(static_cast<long long>(cx) - radius, static_cast<long long>(cx) + radius, dib_.GetWidth());
    for (long long y = ys.from; y < ys.to; ++y) {
        const auto dy = static_cast<unsigned long long>(std::llabs(y - cy));
        for (long long x = xs.from; x < xs.to; ++x) {
            const auto dx = static_cast<unsigned long long>(std::llabs(x - cx));
            if (dx * dx + dy * dy < r2)
                put(static_cast<int>(x), static_cast<int>(y), ink);
        }
    }
}

int CImageCanvas::FillRectBlend(
    int x0, int y0, int x1, int y1, COLORREF border, float borderAlpha, COLORREF fill, float fillAlpha)
{
    fillRect(x0, y0, x1, y1, { Ink::FloatAlpha, border, borderAlpha, 0 }, { Ink::FloatAlpha, fill, fillAlpha, 0 });
    return 1;
}

int CImageCanvas::FillRectBlend255(
    int x0, int y0, int x1, int y1, COLORREF border, int borderAlpha, COLORREF fill, int fillAlpha)
{
    fillRect(x0, y0, x1, y1, { Ink::IntAlpha, border, 0.0f, borderAlpha }, { Ink::IntAlpha, fill, 0.0f, fillAlpha });
    return 1;
}

int CImageCanvas::FillRect(int x0, int y0, int x1, int y1, COLORREF border, COLORREF fill)
{
    fillRect(x0, y0, x1, y1, { Ink::Opaque, border, 0.0f, 0 }, { Ink::Opaque, fill, 0.0f, 0 });
    return 1;
}

int CImageCanvas::FrameRectBlend(int x0, int y0, int x1, int y1, COLORREF c, float alpha)
{
    frame(x0, y0, x1, y1, { Ink::FloatAlpha, c, alpha, 0 });
    return 1;
}

int CImageCanvas::FrameRectBlend255(int x0, int y0, int x1, int y1, COLORREF c, int alpha)
{
    frame(x0, y0, x1, y1, { Ink::IntAlpha, c, 0.0f, alpha });
    return 1;
}

int CImageCanvas::FrameRect(int x0, int y0, int x1, int y1, COLORREF c)
{
    frame(x0, y0, x1, y1, { Ink::Opaque, c, 0.0f, 0 });
    return 1;
}

int CImageCanvas::FillCircleBlend255(int cx, int cy, int radius, COLORREF c, int alpha)
{
    fillCircle(cx, cy, radius, { Ink::IntAlpha, c, 0.0f, alpha });
    return 1;
}

int CImageCanvas::FillCircle(int cx, int cy, int radius, COLORREF c)
{
    fillCircle(cx, cy, radius, { Ink::Opaque, c, 0.0f, 0 });
    return 1;
}

int CImageCanvas::DrawLineF(float x0, float y0, float r0, float g0, float b0, float alpha0, float x1, float y1,
    float r1, float g1, float b1, float alpha1)
{
    dib_.Rows().drawGradedLine({ x0, y0, r0, g0, b0, alpha0 }, { x1, y1, r1, g1, b1, alpha1 });
    return 1;
}

int CImageCanvas::DrawLine255(int x0, int y0, COLORREF c0, int alpha0, int x1, int y1, COLORREF c1, int alpha1)
{
    return DrawLine(static_cast<float>(x0), static_cast<float>(y0), c0, unit(alpha0), static_cast<float>(x1),
        static_cast<float>(y1), c1, unit(alpha1));
}

int CImageCanvas::DrawLine(float x0, float y0, COLORREF c0, float alpha0, float x1, float y1, COLORREF c1, float alpha1)
{
    return DrawLineF(x0, y0, PixelRows::unit(GetRValue(c0)), PixelRows::unit(GetGValue(c0)),
        PixelRows::unit(GetBValue(c0)), alpha0, x1, y1, PixelRows::unit(GetRValue(c1)), PixelRows::unit(GetGValue(c1)),
        PixelRows::unit(GetBValue(c1)), alpha1);
}

int CImageCanvas::DrawSolidLine255(int x0, int y0, int x1, int y1, COLORREF c, int alpha)
{
    return DrawLine255(x0, y0, c, alpha, x1, y1, c, alpha);
}

int CImageCanvas::DrawSolidLine(int x0, int y0, int x1, int y1, COLORREF c)
{
    return DrawSolidLine255(x0, y0, x1, y1, c, 0);
}
