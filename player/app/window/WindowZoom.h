#pragma once

#include <QPoint>
#include <QPointF>
#include <QSize>

// The window's whole-number zoom: every pixel of the 1x window becomes zoom x zoom pixels.
struct WindowZoom {
    static constexpr int kSmallest = 1;
    static constexpr int kLargest = 4;
    // From this many device-independent dots per inch on, 320 x 240 pixels look small.
    static constexpr double kHighDensityDpi = 144;

    // The zoom a first start chooses: 1 on an ordinary screen; on a high-density one the largest that
    // keeps the window within half the screen's width and height (at least 1).
    static int ForScreen(QSize window, QSize screen, double physicalDpi);
    // The largest zoom at which the window fits within available (at least 1).
    static int LargestFitting(QSize window, QSize available);
    // A point on the zoomed window as a point of the 1x window: the pixel it falls in, also beyond the
    // window's edges.
    static QPoint ToUnzoomed(QPointF point, int zoom);
};
