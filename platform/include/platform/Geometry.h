#pragma once

#include "platform/PlatformExport.h"

struct PLATFORM_EXPORT CPoint {
    int x = 0;
    int y = 0;
    CPoint() = default;
    CPoint(int px, int py)
        : x(px)
        , y(py)
    {
    }
    friend bool operator==(const CPoint& a, const CPoint& b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(const CPoint& a, const CPoint& b) { return !(a == b); }
};

struct PLATFORM_EXPORT CSize {
    int cx = 0;
    int cy = 0;
    CSize() = default;
    CSize(int w, int h)
        : cx(w)
        , cy(h)
    {
    }
    friend bool operator==(const CSize& a, const CSize& b) { return a.cx == b.cx && a.cy == b.cy; }
};

// Right and bottom are exclusive, as everywhere on the platform.
struct PLATFORM_EXPORT CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    CRect() = default;
    CRect(int l, int t, int r, int b)
        : left(l)
        , top(t)
        , right(r)
        , bottom(b)
    {
    }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CPoint TopLeft() const { return CPoint(left, top); }
    friend bool operator==(const CRect& a, const CRect& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};
