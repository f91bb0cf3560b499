#pragma once

#include "particle/core/IImageCanvas.h"
#include "particle/core/JGeometryUtilities.h"
#include "particle/core/PixelRows.h"
#include "platform/Colour.h"
#include "player/imaging/store/CDib.h"

// The canvas a picture hands out: pixel reads in several colour models, blended writes, rectangles, discs
// and colour-graded lines, all on a private copy of the picture. Every write goes through the CDib's pixel
// rules, so anything off the picture is ignored; the class is final, so its own calls are direct and a
// line costs no virtual call per pixel. The picture copies the copy back when it releases the canvas;
// destroying a canvas on its own commits nothing.
class CImageCanvas final : public IImageCanvas {
public:
    CImageCanvas() = default;
    virtual ~CImageCanvas() = default;
    CImageCanvas(const CImageCanvas&) = delete;
    CImageCanvas& operator=(const CImageCanvas&) = delete;

    // The private copy drawn on.
    CDib& GetDib() { return dib_; }

    int Lock() override;
    int IsLocked() override;
    int Unlock() override;
    COLORREF GetPixel(int x, int y) override;
    int GetRed(int x, int y) override;
    int GetGreen(int x, int y) override;
    int GetBlue(int x, int y) override;
    float GetRedF(int x, int y) override;
    float GetGreenF(int x, int y) override;
    float GetBlueF(int x, int y) override;
    int GetHue(int x, int y) override;
    int GetSaturation(int x, int y) override;
    int GetValue(int x, int y) override;
    float GetHueF(int x, int y) override;
    float GetSaturationF(int x, int y) override;
    float GetValueF(int x, int y) override;
    int GetByte3(int x, int y) override;
    int GetByte2(int x, int y) override;
    int GetByte1(int x, int y) override;
    int GetByte0(int x, int y) override;
    float GetByte3F(int x, int y) override;
    float GetByte2F(int x, int y) override;
    float GetByte1F(int x, int y) override;
    float GetByte0F(int x, int y) override;
    int BlendPixelRGBF(int x, int y, float r, float g, float b, float alpha) override;
    int BlendPixelRGBF255(int x, int y, float r, float g, float b, int alpha) override;
    int SetPixelRGBF(int x, int y, float r, float g, float b) override;
    int BlendPixelRGB(int x, int y, int r, int g, int b, float alpha) override;
    int BlendPixelRGB255(int x, int y, int r, int g, int b, int alpha) override;
    int SetPixelRGB(int x, int y, int r, int g, int b) override;
    int BlendPixel(int x, int y, COLORREF c, float alpha) override;
    int BlendPixel255(int x, int y, COLORREF c, int alpha) override;
    int SetPixel(int x, int y, COLORREF c) override;
    int BlendPixelHSVF(int x, int y, float h, float s, float v, float alpha) override;
    int BlendPixelHSVF255(int x, int y, float h, float s, float v, int alpha) override;
    int SetPixelHSVF(int x, int y, float h, float s, float v) override;
    int BlendPixelHSV(int x, int y, int h, int s, int v, float alpha) override;
    int BlendPixelHSV255(int x, int y, int h, int s, int v, int alpha) override;
    int SetPixelHSV(int x, int y, int h, int s, int v) override;
    int BlendPixelBytesF(int x, int y, float b3, float b2, float b1, float b0, float alpha) override;
    int BlendPixelBytesF255(int x, int y, float b3, float b2, float b1, float b0, int alpha) override;
    int SetPixelBytesF(int x, int y, float b3, float b2, float b1, float b0) override;
    int BlendPixelBytes(int x, int y, int b3, int b2, int b1, int b0, float alpha) override;
    int BlendPixelBytes255(int x, int y, int b3, int b2, int b1, int b0, int alpha) override;
    int SetPixelBytes(int x, int y, int b3, int b2, int b1, int b0) override;
    int FillRectBlend(
        int x0, int y0, int x1, int y1, COLORREF border, float borderAlpha, COLORREF fill, float fillAlpha) override;
    int FillRectBlend255(
        int x0, int y0, int x1, int y1, COLORREF border, int borderAlpha, COLORREF fill, int fillAlpha) override;
    int FillRect(int x0, int y0, int x1, int y1, COLORREF border, COLORREF fill) override;
    int FrameRectBlend(int x0, int y0, int x1, int y1, COLORREF c, float alpha) override;
    int FrameRectBlend255(int x0, int y0, int x1, int y1, COLORREF c, int alpha) override;
    int FrameRect(int x0, int y0, int x1, int y1, COLORREF c) override;
    int FillCircleBlend255(int cx, int cy, int radius, COLORREF c, int alpha) override;
    int FillCircle(int cx, int cy, int radius, COLORREF c) override;
    int DrawLineF(float x0, float y0, float r0, float g0, float b0, float alpha0, float x1, float y1, float r1,
        float g1, float b1, float alpha1) override;
    int DrawLine255(int x0, int y0, COLORREF c0, int alpha0, int x1, int y1, COLORREF c1, int alpha1) override;
    int DrawLine(float x0, float y0, COLORREF c0, float alpha0, float x1, float y1, COLORREF c1, float alpha1) override;
    int DrawSolidLine255(int x0, int y0, int x1, int y1, COLORREF c, int alpha) override;
    int DrawSolidLine(int x0, int y0, int x1, int y1, COLORREF c) override;

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
