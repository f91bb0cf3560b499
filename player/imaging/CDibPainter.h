#pragma once

#include "particle/core/JGeometryUtilities.h"
#include "particle/core/PixelRows.h"
#include "platform/Colour.h"
#include "player/imaging/CDib.h"

// Draws on a private CDib: pixel reads in several colour models, blended writes, rectangles, discs and
// colour-graded lines. Every write goes through the CDib's pixel rules, so anything off the picture is
// ignored. Calls inside the painter are direct, so a line costs no virtual call per pixel.
class CDibPainter {
public:
    CDibPainter() = default;
    CDibPainter(const CDibPainter&) = delete;
    CDibPainter& operator=(const CDibPainter&) = delete;

    CDib& GetDib() { return dib_; }

    int Lock();
    int IsLocked();
    int Unlock();
    COLORREF GetPixel(int x, int y);
    int GetRed(int x, int y);
    int GetGreen(int x, int y);
    int GetBlue(int x, int y);
    float GetRedF(int x, int y);
    float GetGreenF(int x, int y);
    float GetBlueF(int x, int y);
    int GetHue(int x, int y);
    int GetSaturation(int x, int y);
    int GetValue(int x, int y);
    float GetHueF(int x, int y);
    float GetSaturationF(int x, int y);
    float GetValueF(int x, int y);
    int GetByte3(int x, int y);
    int GetByte2(int x, int y);
    int GetByte1(int x, int y);
    int GetByte0(int x, int y);
    float GetByte3F(int x, int y);
    float GetByte2F(int x, int y);
    float GetByte1F(int x, int y);
    float GetByte0F(int x, int y);
    int BlendPixelRGBF(int x, int y, float r, float g, float b, float alpha);
    int BlendPixelRGBF255(int x, int y, float r, float g, float b, int alpha);
    int SetPixelRGBF(int x, int y, float r, float g, float b);
    int BlendPixelRGB(int x, int y, int r, int g, int b, float alpha);
    int BlendPixelRGB255(int x, int y, int r, int g, int b, int alpha);
    int SetPixelRGB(int x, int y, int r, int g, int b);
    int BlendPixel(int x, int y, COLORREF c, float alpha);
    int BlendPixel255(int x, int y, COLORREF c, int alpha);
    int SetPixel(int x, int y, COLORREF c);
    int BlendPixelHSVF(int x, int y, float h, float s, float v, float alpha);
    int BlendPixelHSVF255(int x, int y, float h, float s, float v, int alpha);
    int SetPixelHSVF(int x, int y, float h, float s, float v);
    int BlendPixelHSV(int x, int y, int h, int s, int v, float alpha);
    int BlendPixelHSV255(int x, int y, int h, int s, int v, int alpha);
    int SetPixelHSV(int x, int y, int h, int s, int v);
    int BlendPixelBytesF(int x, int y, float b3, float b2, float b1, float b0, float alpha);
    int BlendPixelBytesF255(int x, int y, float b3, float b2, float b1, float b0, int alpha);
    int SetPixelBytesF(int x, int y, float b3, float b2, float b1, float b0);
    int BlendPixelBytes(int x, int y, int b3, int b2, int b1, int b0, float alpha);
    int BlendPixelBytes255(int x, int y, int b3, int b2, int b1, int b0, int alpha);
    int SetPixelBytes(int x, int y, int b3, int b2, int b1, int b0);
    int FillRectBlend(
        int x0, int y0, int x1, int y1, COLORREF border, float borderAlpha, COLORREF fill, float fillAlpha);
    int FillRectBlend255(
        int x0, int y0, int x1, int y1, COLORREF border, int borderAlpha, COLORREF fill, int fillAlpha);
    int FillRect(int x0, int y0, int x1, int y1, COLORREF border, COLORREF fill);
    int FrameRectBlend(int x0, int y0, int x1, int y1, COLORREF c, float alpha);
    int FrameRectBlend255(int x0, int y0, int x1, int y1, COLORREF c, int alpha);
    int FrameRect(int x0, int y0, int x1, int y1, COLORREF c);
    int FillCircleBlend255(int cx, int cy, int radius, COLORREF c, int alpha);
    int FillCircle(int cx, int cy, int radius, COLORREF c);
    int DrawLineF(float x0, float y0, float r0, float g0, float b0, float alpha0, float x1, float y1, float r1,
        float g1, float b1, float alpha1);
    int DrawLine255(int x0, int y0, COLORREF c0, int alpha0, int x1, int y1, COLORREF c1, int alpha1);
    int DrawLine(float x0, float y0, COLORREF c0, float alpha0, float x1, float y1, COLORREF c1, float alpha1);
    int DrawSolidLine255(int x0, int y0, int x1, int y1, COLORREF c, int alpha);
    int DrawSolidLine(int x0, int y0, int x1, int y1, COLORREF c);

private:
    // A colour and how it meets the pixel under it.
    struct Ink {
        enum Kind { Opaque, FloatAlpha, IntAlpha } kind;
        COLORREF color;
        float alpha;
        int alpha255;
    };

    COLORREF read(int x, int y) const { return dib_.GetPixel(x, y); }
    int plot(int x, int y, COLORREF c)
    {
        dib_.SetPixel(x, y, c);
        return 1;
    }
    int put(int x, int y, const Ink& ink);
    int blend(int x, int y, COLORREF c, float alpha);
    int blend255(int x, int y, COLORREF c, int alpha);
    void frame(int x0, int y0, int x1, int y1, const Ink& ink);
    void fillRect(int x0, int y0, int x1, int y1, const Ink& border, const Ink& fill);
    void fillCircle(int cx, int cy, int radius, const Ink& ink);

    CDib dib_;
    JGeometryUtilities geometry_;
};
