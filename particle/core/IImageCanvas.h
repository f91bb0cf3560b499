#pragma once

#include "particle/ParticleExport.h"

#include "platform/Colour.h"

// A drawing surface opened on a picture. Alpha is transparency: 0 paints the colour, 1.0 (or 255 in the
// "255" forms) leaves the pixel as it was. Float components run 0..1, int components 0..255 (only the
// low 8 bits count). The "Bytes" forms pack b3 b2 b1 b0 into a colour whose byte 0 is red. Right and
// bottom bounds are exclusive. Every pixel-writing operation returns 1.
class PARTICLE_EXPORT IImageCanvas {
public:
    virtual int Lock() = 0;
    virtual int IsLocked() = 0;
    virtual int Unlock() = 0;
    virtual COLORREF GetPixel(int x, int y) = 0;
    virtual int GetRed(int x, int y) = 0;
    virtual int GetGreen(int x, int y) = 0;
    virtual int GetBlue(int x, int y) = 0;
    virtual float GetRedF(int x, int y) = 0;
    virtual float GetGreenF(int x, int y) = 0;
    virtual float GetBlueF(int x, int y) = 0;
    virtual int GetHue(int x, int y) = 0;
    virtual int GetSaturation(int x, int y) = 0;
    virtual int GetValue(int x, int y) = 0;
    virtual float GetHueF(int x, int y) = 0;
    virtual float GetSaturationF(int x, int y) = 0;
    virtual float GetValueF(int x, int y) = 0;
    virtual int GetByte3(int x, int y) = 0;
    virtual int GetByte2(int x, int y) = 0;
    virtual int GetByte1(int x, int y) = 0;
    virtual int GetByte0(int x, int y) = 0;
    virtual float GetByte3F(int x, int y) = 0;
    virtual float GetByte2F(int x, int y) = 0;
    virtual float GetByte1F(int x, int y) = 0;
    virtual float GetByte0F(int x, int y) = 0;
    virtual int BlendPixelRGBF(int x, int y, float r, float g, float b, float alpha) = 0;
    virtual int BlendPixelRGBF255(int x, int y, float r, float g, float b, int alpha) = 0;
    virtual int SetPixelRGBF(int x, int y, float r, float g, float b) = 0;
    virtual int BlendPixelRGB(int x, int y, int r, int g, int b, float alpha) = 0;
    virtual int BlendPixelRGB255(int x, int y, int r, int g, int b, int alpha) = 0;
    virtual int SetPixelRGB(int x, int y, int r, int g, int b) = 0;
    virtual int BlendPixel(int x, int y, COLORREF c, float alpha) = 0;
    virtual int BlendPixel255(int x, int y, COLORREF c, int alpha) = 0;
    virtual int SetPixel(int x, int y, COLORREF c) = 0;
    virtual int BlendPixelHSVF(int x, int y, float h, float s, float v, float alpha) = 0;
    virtual int BlendPixelHSVF255(int x, int y, float h, float s, float v, int alpha) = 0;
    virtual int SetPixelHSVF(int x, int y, float h, float s, float v) = 0;
    virtual int BlendPixelHSV(int x, int y, int h, int s, int v, float alpha) = 0;
    virtual int BlendPixelHSV255(int x, int y, int h, int s, int v, int alpha) = 0;
    virtual int SetPixelHSV(int x, int y, int h, int s, int v) = 0;
    virtual int BlendPixelBytesF(int x, int y, float b3, float b2, float b1, float b0, float alpha) = 0;
    virtual int BlendPixelBytesF255(int x, int y, float b3, float b2, float b1, float b0, int alpha) = 0;
    virtual int SetPixelBytesF(int x, int y, float b3, float b2, float b1, float b0) = 0;
    virtual int BlendPixelBytes(int x, int y, int b3, int b2, int b1, int b0, float alpha) = 0;
    virtual int BlendPixelBytes255(int x, int y, int b3, int b2, int b1, int b0, int alpha) = 0;
    virtual int SetPixelBytes(int x, int y, int b3, int b2, int b1, int b0) = 0;
    virtual int FillRectBlend(
        int x0, int y0, int x1, int y1, COLORREF border, float borderAlpha, COLORREF fill, float fillAlpha)
        = 0;
    virtual int FillRectBlend255(
        int x0, int y0, int x1, int y1, COLORREF border, int borderAlpha, COLORREF fill, int fillAlpha)
        = 0;
    virtual int FillRect(int x0, int y0, int x1, int y1, COLORREF border, COLORREF fill) = 0;
    virtual int FrameRectBlend(int x0, int y0, int x1, int y1, COLORREF c, float alpha) = 0;
    virtual int FrameRectBlend255(int x0, int y0, int x1, int y1, COLORREF c, int alpha) = 0;
    virtual int FrameRect(int x0, int y0, int x1, int y1, COLORREF c) = 0;
    virtual int FillCircleBlend255(int cx, int cy, int radius, COLORREF c, int alpha) = 0;
    virtual int FillCircle(int cx, int cy, int radius, COLORREF c) = 0;
    // A colour-graded line by recursive midpoint subdivision; see the canvas implementation.
    virtual int DrawLineF(float x0, float y0, float r0, float g0, float b0, float alpha0, float x1, float y1, float r1,
        float g1, float b1, float alpha1)
        = 0;
    virtual int DrawLine255(int x0, int y0, COLORREF c0, int alpha0, int x1, int y1, COLORREF c1, int alpha1) = 0;
    virtual int DrawLine(float x0, float y0, COLORREF c0, float alpha0, float x1, float y1, COLORREF c1, float alpha1)
        = 0;
    virtual int DrawSolidLine255(int x0, int y0, int x1, int y1, COLORREF c, int alpha) = 0;
    virtual int DrawSolidLine(int x0, int y0, int x1, int y1, COLORREF c) = 0;

protected:
    ~IImageCanvas() = default;
};
