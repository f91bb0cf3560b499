#pragma once

#include "particle/ParticleExport.h"

#include "platform/CString.h"

#include <cmath>

class CDC;
class Matrix3D;

// A point or vector of three floats.
class PARTICLE_EXPORT Point3D {
public:
    Point3D() = default;
    Point3D(float px, float py, float pz)
        : x(px)
        , y(py)
        , z(pz)
    {
    }
    Point3D(const Point3D&) = default;
    Point3D& operator=(const Point3D&) = default;
    virtual ~Point3D() = default;

    // Inline, as the forces use them for every particle.
    double DotProduct(Point3D other) const
    {
        return static_cast<double>(x) * other.x + static_cast<double>(y) * other.y + static_cast<double>(z) * other.z;
    }
    double Magnitude() const { return std::sqrt(DotProduct(*this)); }
    // A zero vector stays zero.
    void Normalize()
    {
        double m = Magnitude();
        if (m == 0.0) {
            x = y = z = 0.0f;
            return;
        }
        x = static_cast<float>(x / m);
        y = static_cast<float>(y / m);
        z = static_cast<float>(z / m);
    }
    Point3D CrossProduct(Point3D p) const;

    // Segments are drawn with the context's pen and leave out their end point, so a single point
    // draws nothing.
    void DrawPoint(CDC* dc) const;
    void DrawPoint(CDC* dc, const Matrix3D& m) const;
    // "normal" as above; "star" draws four short strokes through the point; other styles draw nothing.
    void DrawPoint(CDC* dc, const Matrix3D& m, CString style) const;
    void DrawLine(CDC* dc, const Matrix3D& m, Point3D other) const;

    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};
