#pragma once

#include "particle/ParticleExport.h"

class Point3D;

// An affine transform held as a 4 x 4 matrix, row by row; xo, yo and zo are the translation.
class PARTICLE_EXPORT Matrix3D {
public:
    Matrix3D(); // identity
    Matrix3D(const Matrix3D&) = default;
    Matrix3D& operator=(const Matrix3D&) = default;

    void unit();
    void scale(float f);
    void scale(float xf, float yf, float zf);
    void translate(float x, float y, float z);
    // Rotations take degrees.
    void xrot(double degrees);
    void yrot(double degrees);
    void zrot(double degrees);
    // This matrix becomes m applied after it.
    void mult(const Matrix3D& m);
    void transform(float x, float y, float z, float& tx, float& ty, float& tz) const;
    void transform(const Point3D& p, Point3D& out) const;
    // n points as x, y, z triples in v; results truncated toward zero into tv.
    void transform(const float* v, int* tv, int n) const;

    float xx, xy, xz, xo;
    float yx, yy, yz, yo;
    float zx, zy, zz, zo;
    float wx, wy, wz, ww;

private:
    double pi_ = 3.14159265;
};
