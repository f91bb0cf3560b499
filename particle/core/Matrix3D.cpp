#include "particle/core/Matrix3D.h"

#include "particle/core/Point3D.h"
#include "platform/Numbers.h"
#include "platform/Trigonometry.h"

Matrix3D::Matrix3D()
{
    unit();
}

void Matrix3D::unit()
{
    xx = 1, xy = 0, xz = 0, xo = 0;
    yx = 0, yy = 1, yz = 0, yo = 0;
    zx = 0, zy = 0, zz = 1, zo = 0;
    wx = 0, wy = 0, wz = 0, ww = 1;
}

void Matrix3D::scale(float f)
{
    for (float* e : { &xx, &xy, &xz, &xo, &yx, &yy, &yz, &yo, &zx, &zy, &zz, &zo, &wx, &wy, &wz, &ww })
        *e *= f;
}

void Matrix3D::scale(float xf, float yf, float zf)
{
    xx *= xf, xy *= xf, xz *= xf, xo *= xf;
    yx *= yf, yy *= yf, yz *= yf, yo *= yf;
    zx *= zf, zy *= zf, zz *= zf, zo *= zf;
}

void Matrix3D::translate(float x, float y, float z)
{
    xo += x;
    yo += y;
    zo += z;
}

namespace {

// Rows a' = c a + s b and b' = c b - s a, over all four columns.
using Row = float* [4];

void rotateRows(const Row& a, const Row& b, double c, double s)
{
    for (int j = 0; j < 4; ++j) {
        const double na = c * *a[j] + s * *b[j];
        const double nb = c * *b[j] - s * *a[j];
        *a[j] = static_cast<float>(na);
        *b[j] = static_cast<float>(nb);
    }
}

} // namespace

void Matrix3D::xrot(double degrees)
{
    const double r = pi_ * (1.0 / 180.0) * degrees;
    rotateRows({ &yx, &yy, &yz, &yo }, { &zx, &zy, &zz, &zo }, platform::Cos(r), platform::Sin(r));
}

void Matrix3D::yrot(double degrees)
{
    const double r = pi_ * (1.0 / 180.0) * degrees;
    rotateRows({ &xx, &xy, &xz, &xo }, { &zx, &zy, &zz, &zo }, platform::Cos(r), platform::Sin(r));
}

void Matrix3D::zrot(double degrees)
{
    const double r = pi_ * (1.0 / 180.0) * degrees;
    // row0' = c row0 - s row1; row1' = c row1 + s row0: the same as rotateRows with -s.
    rotateRows({ &xx, &xy, &xz, &xo }, { &yx, &yy, &yz, &yo }, platform::Cos(r), -platform::Sin(r));
}

void Matrix3D::mult(const Matrix3D& m)
{
    const Matrix3D a = *this;
    auto row = [&](float mrx, float mry, float mrz, float mro, float& rx, float& ry, float& rz, float& ro) {
        rx = a.xx * mrx + a.yx * mry + a.zx * mrz;
        ry = a.xy * mrx + a.yy * mry + a.zy * mrz;
        rz = a.xz * mrx + a.yz * mry + a.zz * mrz;
        ro = a.xo * mrx + a.yo * mry + a.zo * mrz + mro;
    };
    row(m.xx, m.xy, m.xz, m.xo, xx, xy, xz, xo);
    row(m.yx, m.yy, m.yz, m.yo, yx, yy, yz, yo);
    row(m.zx, m.zy, m.zz, m.zo, zx, zy, zz, zo);
    // Row 3 stays (0, 0, 0, 1): these matrices are affine.
    wx = 0, wy = 0, wz = 0, ww = 1;
}

void Matrix3D::transform(float x, float y, float z, float& tx, float& ty, float& tz) const
{
    tx = x * xx + y * xy + z * xz + xo;
    ty = x * yx + y * yy + z * yz + yo;
    tz = x * zx + y * zy + z * zz + zo;
}

void Matrix3D::transform(const Point3D& p, Point3D& out) const
{
    transform(p.x, p.y, p.z, out.x, out.y, out.z);
}

void Matrix3D::transform(const float* v, int* tv, int n) const
{
    for (int i = 0; i < n; ++i) {
        float tx, ty, tz;
        transform(v[3 * i], v[3 * i + 1], v[3 * i + 2], tx, ty, tz);
        tv[3 * i] = platform::TruncToInt(tx);
        tv[3 * i + 1] = platform::TruncToInt(ty);
        tv[3 * i + 2] = platform::TruncToInt(tz);
    }
}
