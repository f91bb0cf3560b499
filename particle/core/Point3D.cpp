#include "particle/core/Point3D.h"

#include "particle/core/Matrix3D.h"
#include "platform/CDC.h"
#include "platform/Numbers.h"

#include <cmath>

namespace {

void segment(CDC* dc, double x0, double y0, double x1, double y1)
{
    dc->MoveTo(platform::TruncToInt(x0), platform::TruncToInt(y0));
    dc->LineTo(platform::TruncToInt(x1), platform::TruncToInt(y1));
}

} // namespace

Point3D Point3D::CrossProduct(Point3D p) const
{
    return Point3D(y * p.z - z * p.y, z * p.x - x * p.z, x * p.y - y * p.x);
}

void Point3D::DrawPoint(CDC* dc) const
{
    segment(dc, x, y, x, y);
}

void Point3D::DrawPoint(CDC* dc, const Matrix3D& m) const
{
    Point3D t;
    m.transform(*this, t);
    t.DrawPoint(dc);
}

void Point3D::DrawPoint(CDC* dc, const Matrix3D& m, CString style) const
{
    Point3D t;
    m.transform(*this, t);
    if (style == "normal") {
        t.DrawPoint(dc);
    } else if (style == "star") {
        const double X = platform::TruncToInt(t.x);
        const double Y = platform::TruncToInt(t.y);
        segment(dc, X - 1, Y, X + 1, Y);
        segment(dc, X, Y - 1, X, Y + 1);
        segment(dc, X - 1, Y - 1, X + 1, Y + 1);
        segment(dc, X + 1, Y - 1, X - 1, Y + 1);
    }
}

void Point3D::DrawLine(CDC* dc, const Matrix3D& m, Point3D other) const
{
    Point3D a;
    Point3D b;
    m.transform(*this, a);
    m.transform(other, b);
    segment(dc, a.x, a.y, b.x, b.y);
}
