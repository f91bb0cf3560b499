#include "player/imaging/CImageCanvas.h"

int CImageCanvas::Lock()
{
    return painter_.Lock();
}

int CImageCanvas::IsLocked()
{
    return painter_.IsLocked();
}

int CImageCanvas::Unlock()
{
    return painter_.Unlock();
}

COLORREF CImageCanvas::GetPixel(int x, int y)
{
    return painter_.GetPixel(x, y);
}

int CImageCanvas::GetRed(int x, int y)
{
    return painter_.GetRed(x, y);
}

int CImageCanvas::GetGreen(int x, int y)
{
    return painter_.GetGreen(x, y);
}

int CImageCanvas::GetBlue(int x, int y)
{
    return painter_.GetBlue(x, y);
}

float CImageCanvas::GetRedF(int x, int y)
{
    return painter_.GetRedF(x, y);
}

float CImageCanvas::GetGreenF(int x, int y)
{
    return painter_.GetGreenF(x, y);
}

float CImageCanvas::GetBlueF(int x, int y)
{
    return painter_.GetBlueF(x, y);
}

int CImageCanvas::GetHue(int x, int y)
{
    return painter_.GetHue(x, y);
}

int CImageCanvas::GetSaturation(int x, int y)
{
    return painter_.GetSaturation(x, y);
}

int CImageCanvas::GetValue(int x, int y)
{
    return painter_.GetValue(x, y);
}

float CImageCanvas::GetHueF(int x, int y)
{
    return painter_.GetHueF(x, y);
}

float CImageCanvas::GetSaturationF(int x, int y)
{
    return painter_.GetSaturationF(x, y);
}

float CImageCanvas::GetValueF(int x, int y)
{
    return painter_.GetValueF(x, y);
}

int CImageCanvas::GetByte3(int x, int y)
{
    return painter_.GetByte3(x, y);
}

int CImageCanvas::GetByte2(int x, int y)
{
    return painter_.GetByte2(x, y);
}

int CImageCanvas::GetByte1(int x, int y)
{
    return painter_.GetByte1(x, y);
}

int CImageCanvas::GetByte0(int x, int y)
{
    return painter_.GetByte0(x, y);
}

float CImageCanvas::GetByte3F(int x, int y)
{
    return painter_.GetByte3F(x, y);
}

float CImageCanvas::GetByte2F(int x, int y)
{
    return painter_.GetByte2F(x, y);
}

float CImageCanvas::GetByte1F(int x, int y)
{
    return painter_.GetByte1F(x, y);
}

float CImageCanvas::GetByte0F(int x, int y)
{
    return painter_.GetByte0F(x, y);
}

int CImageCanvas::BlendPixelRGBF(int x, int y, float r, float g, float b, float alpha)
{
    return painter_.BlendPixelRGBF(x, y, r, g, b, alpha);
}

int CImageCanvas::BlendPixelRGBF255(int x, int y, float r, float g, float b, int alpha)
{
    return painter_.BlendPixelRGBF255(x, y, r, g, b, alpha);
}

int CImageCanvas::SetPixelRGBF(int x, int y, float r, float g, float b)
{
    return painter_.SetPixelRGBF(x, y, r, g, b);
}

int CImageCanvas::BlendPixelRGB(int x, int y, int r, int g, int b, float alpha)
{
    return painter_.BlendPixelRGB(x, y, r, g, b, alpha);
}

int CImageCanvas::BlendPixelRGB255(int x, int y, int r, int g, int b, int alpha)
{
    return painter_.BlendPixelRGB255(x, y, r, g, b, alpha);
}

int CImageCanvas::SetPixelRGB(int x, int y, int r, int g, int b)
{
    return painter_.SetPixelRGB(x, y, r, g, b);
}

int CImageCanvas::BlendPixel(int x, int y, COLORREF c, float alpha)
{
    return painter_.BlendPixel(x, y, c, alpha);
}

int CImageCanvas::BlendPixel255(int x, int y, COLORREF c, int alpha)
{
    return painter_.BlendPixel255(x, y, c, alpha);
}

int CImageCanvas::SetPixel(int x, int y, COLORREF c)
{
    return painter_.SetPixel(x, y, c);
}

int CImageCanvas::BlendPixelHSVF(int x, int y, float h, float s, float v, float alpha)
{
    return painter_.BlendPixelHSVF(x, y, h, s, v, alpha);
}

int CImageCanvas::BlendPixelHSVF255(int x, int y, float h, float s, float v, int alpha)
{
    return painter_.BlendPixelHSVF255(x, y, h, s, v, alpha);
}

int CImageCanvas::SetPixelHSVF(int x, int y, float h, float s, float v)
{
    return painter_.SetPixelHSVF(x, y, h, s, v);
}

int CImageCanvas::BlendPixelHSV(int x, int y, int h, int s, int v, float alpha)
{
    return painter_.BlendPixelHSV(x, y, h, s, v, alpha);
}

int CImageCanvas::BlendPixelHSV255(int x, int y, int h, int s, int v, int alpha)
{
    return painter_.BlendPixelHSV255(x, y, h, s, v, alpha);
}

int CImageCanvas::SetPixelHSV(int x, int y, int h, int s, int v)
{
    return painter_.SetPixelHSV(x, y, h, s, v);
}

int CImageCanvas::BlendPixelBytesF(int x, int y, float b3, float b2, float b1, float b0, float alpha)
{
    return painter_.BlendPixelBytesF(x, y, b3, b2, b1, b0, alpha);
}

int CImageCanvas::BlendPixelBytesF255(int x, int y, float b3, float b2, float b1, float b0, int alpha)
{
    return painter_.BlendPixelBytesF255(x, y, b3, b2, b1, b0, alpha);
}

int CImageCanvas::SetPixelBytesF(int x, int y, float b3, float b2, float b1, float b0)
{
    return painter_.SetPixelBytesF(x, y, b3, b2, b1, b0);
}

int CImageCanvas::BlendPixelBytes(int x, int y, int b3, int b2, int b1, int b0, float alpha)
{
    return painter_.BlendPixelBytes(x, y, b3, b2, b1, b0, alpha);
}

int CImageCanvas::BlendPixelBytes255(int x, int y, int b3, int b2, int b1, int b0, int alpha)
{
    return painter_.BlendPixelBytes255(x, y, b3, b2, b1, b0, alpha);
}

int CImageCanvas::SetPixelBytes(int x, int y, int b3, int b2, int b1, int b0)
{
    return painter_.SetPixelBytes(x, y, b3, b2, b1, b0);
}

int CImageCanvas::FillRectBlend(
    int x0, int y0, int x1, int y1, COLORREF border, float borderAlpha, COLORREF fill, float fillAlpha)
{
    return painter_.FillRectBlend(x0, y0, x1, y1, border, borderAlpha, fill, fillAlpha);
}

int CImageCanvas::FillRectBlend255(
    int x0, int y0, int x1, int y1, COLORREF border, int borderAlpha, COLORREF fill, int fillAlpha)
{
    return painter_.FillRectBlend255(x0, y0, x1, y1, border, borderAlpha, fill, fillAlpha);
}

int CImageCanvas::FillRect(int x0, int y0, int x1, int y1, COLORREF border, COLORREF fill)
{
    return painter_.FillRect(x0, y0, x1, y1, border, fill);
}

int CImageCanvas::FrameRectBlend(int x0, int y0, int x1, int y1, COLORREF c, float alpha)
{
    return painter_.FrameRectBlend(x0, y0, x1, y1, c, alpha);
}

int CImageCanvas::FrameRectBlend255(int x0, int y0, int x1, int y1, COLORREF c, int alpha)
{
    return painter_.FrameRectBlend255(x0, y0, x1, y1, c, alpha);
}

int CImageCanvas::FrameRect(int x0, int y0, int x1, int y1, COLORREF c)
{
    return painter_.FrameRect(x0, y0, x1, y1, c);
}

int CImageCanvas::FillCircleBlend255(int cx, int cy, int radius, COLORREF c, int alpha)
{
    return painter_.FillCircleBlend255(cx, cy, radius, c, alpha);
}

int CImageCanvas::FillCircle(int cx, int cy, int radius, COLORREF c)
{
    return painter_.FillCircle(cx, cy, radius, c);
}

int CImageCanvas::DrawLineF(float x0, float y0, float r0, float g0, float b0, float alpha0, float x1, float y1,
    float r1, float g1, float b1, float alpha1)
{
    return painter_.DrawLineF(x0, y0, r0, g0, b0, alpha0, x1, y1, r1, g1, b1, alpha1);
}

int CImageCanvas::DrawLine255(int x0, int y0, COLORREF c0, int alpha0, int x1, int y1, COLORREF c1, int alpha1)
{
    return painter_.DrawLine255(x0, y0, c0, alpha0, x1, y1, c1, alpha1);
}

int CImageCanvas::DrawLine(float x0, float y0, COLORREF c0, float alpha0, float x1, float y1, COLORREF c1, float alpha1)
{
    return painter_.DrawLine(x0, y0, c0, alpha0, x1, y1, c1, alpha1);
}

int CImageCanvas::DrawSolidLine255(int x0, int y0, int x1, int y1, COLORREF c, int alpha)
{
    return painter_.DrawSolidLine255(x0, y0, x1, y1, c, alpha);
}

int CImageCanvas::DrawSolidLine(int x0, int y0, int x1, int y1, COLORREF c)
{
    return painter_.DrawSolidLine(x0, y0, x1, y1, c);
}
