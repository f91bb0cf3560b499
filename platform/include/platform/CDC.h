#pragma once

#include "platform/PlatformExport.h"

#include "platform/Colour.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <vector>

enum { PS_SOLID = 0, PS_NULL = 5 };
enum { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = BS_NULL };
enum { R2_NOT = 6, R2_COPYPEN = 13 };
enum { TRANSPARENT = 1, OPAQUE = 2 };

struct LOGBRUSH {
    unsigned int lbStyle = BS_SOLID;
    COLORREF lbColor = 0;
    long lbHatch = 0;
};

class PLATFORM_EXPORT CPen {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    bool CreatePen(int style, int width, COLORREF color);
    bool DeleteObject() { return true; }

    int style() const { return style_; }
    COLORREF color() const { return color_; }

private:
    int style_ = PS_SOLID;
    int width_ = 0; // every width draws one pixel wide
    COLORREF color_ = 0;
};

class PLATFORM_EXPORT CBrush {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    bool CreateSolidBrush(COLORREF color);
    bool CreateBrushIndirect(const LOGBRUSH* brush);
    bool DeleteObject() { return true; }

    bool hollow() const { return hollow_; }
    COLORREF color() const { return color_; }

private:
    bool hollow_ = false;
    COLORREF color_ = RGB(255, 255, 255);
};

// A device context drawing on a 32-bit pixel surface (0xFFRRGGBB per pixel). Everything clips to the
// surface; nothing is ever written outside it, whatever the coordinates.
class PLATFORM_EXPORT CDC {
public:
    // A context that owns a black surface of the given size (a size beyond the pixel budget gives none).
    CDC(int width, int height);
    // A context that draws on pixels it does not own; stride is in pixels.
    CDC(std::uint32_t* bits, int width, int height, int stride);
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    int GetStride() const { return stride_; }
    std::uint32_t* GetBits() { return bits_; }
    const std::uint32_t* GetBits() const { return bits_; }

    // Selecting returns the previous object, which is selected back when drawing is done.
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    int SetROP2(int mode);
    int GetROP2() const { return rop_; }
    int SetBkMode(int mode);
    int GetBkMode() const { return bkMode_; }

    CPoint MoveTo(int x, int y);
    // Draws from the current position to (x, y) with the pen, leaving out (x, y) itself.
    bool LineTo(int x, int y);
    // Fills [x, x + cx) x [y, y + cy), ignoring the raster operation.
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    void FillSolidRect(const CRect& rect, COLORREF color);
    // Ellipse inside [x1, x2) x [y1, y2): outline with the pen, inside with the brush. Every pixel is
    // touched once, so an inverting pen inverts the outline exactly.
    bool Ellipse(int x1, int y1, int x2, int y2);
    // Copies w x h pixels from (sx, sy) of source to (x, y) here; both sides clip.
    bool BitBlt(int x, int y, int w, int h, const CDC* source, int sx, int sy);

    COLORREF GetPixel(int x, int y) const; // outside the surface: 0xFFFFFFFF (CLR_INVALID)
    void SetPixel(int x, int y, COLORREF color);

private:
    void plot(long long x, long long y);
    void span(long long y, long long x0, long long x1, std::uint32_t pixel, bool usePenRop);

    std::vector<std::uint32_t> owned_;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;

    CPen defaultPen_;
    CBrush defaultBrush_;
    CPen* pen_ = &defaultPen_;
    CBrush* brush_ = &defaultBrush_;
    int rop_ = R2_COPYPEN;
    int bkMode_ = OPAQUE;
    CPoint position_;
};
