#pragma once

#include <QRect>

// Dialog units of the 8-point dialog font in pixels: 4 horizontal units are 6 pixels, 8 vertical units
// are 13 pixels. A rectangle converts edge by edge, as dialog templates are laid out.
inline int DialogX(int x)
{
    return x * 6 / 4;
}
inline int DialogY(int y)
{
    return y * 13 / 8;
}
inline QRect DialogRect(int x, int y, int cx, int cy)
{
    return QRect(QPoint(DialogX(x), DialogY(y)), QPoint(DialogX(x + cx) - 1, DialogY(y + cy) - 1));
}
inline QSize DialogSize(int cx, int cy)
{
    return QSize(DialogX(cx), DialogY(cy));
}
