#include "player/app/window/WindowZoom.h"

#include <cmath>

int WindowZoom::ForScreen(QSize window, QSize screen, double physicalDpi)
{
    if (!(physicalDpi >= kHighDensityDpi))
        return kSmallest;
    return LargestFitting(window * 2, screen); // within half the screen
}

int WindowZoom::LargestFitting(QSize window, QSize available)
{
    int zoom = kLargest;
    while (
        zoom > kSmallest && (window.width() * zoom > available.width() || window.height() * zoom > available.height()))
        --zoom;
    return zoom;
}

QPoint WindowZoom::ToUnzoomed(QPointF point, int zoom)
{
    return QPoint(static_cast<int>(std::floor(point.x() / zoom)), static_cast<int>(std::floor(point.y() / zoom)));
}
