#include "player/app/window/WindowZoom.h"

#include <cmath>

int WindowZoom::ForScreen(QSize window, QSize screen, double physicalDpi)
{
    if (!(physicalDpi >= kHighDensityDpi))
        return kSmallest;
    int zoom = kLargest;
    while (zoom > kSmallest
        && (2 * window.width() * zoom > screen.width() || 2 * window.height() * zoom > screen.height()))
        --zoom;
    return zoom;
}

QPoint WindowZoom::ToUnzoomed(QPointF point, int zoom)
{
    return QPoint(static_cast<int>(std::floor(point.x() / zoom)), static_cast<int>(std::floor(point.y() / zoom)));
}
