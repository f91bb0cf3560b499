#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/ConstraintBase.h"
#include "particle/core/JGeometryUtilities.h"
#include "particle/core/Point3D.h"

// What the radial fields (OmniForce, VortexForce) share: a centre, an inner and an outer radius and a
// strength that falls off as a raised cosine from the full Force at RadiusIn to nothing at RadiusOut.
// Not registered and not creatable by itself.
class PARTICLE_EXPORT RadialField : public ConstraintBase {
public:
    // Base tags, then "RadiusIn", "RadiusOut", "Force", "CenterX", "CenterY", "CenterZ".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;

protected:
    RadialField() = default;

    // The strength at the given distance from the centre; false when the particle is outside the field
    // (at or beyond RadiusOut, or the two radii are equal). Inside RadiusIn the fraction goes negative
    // and the same law applies unclamped.
    bool strengthAt(float distance, float& strength) const;
    // Both radii as inverted circles with a hollow brush, then the indicator line from one point to the
    // other; the context's raster operation and brush are restored afterwards.
    void drawField(CDC* dc, CPoint indicatorFrom, CPoint indicatorTo) const;

    float radiusIn_ = 0.0f;
    float radiusOut_ = 320.0f;
    float force_ = -1.0f;
    Point3D center_ { 320.0f, 240.0f, 0.0f };
};

// Inline: every force application asks it for every particle.
inline bool RadialField::strengthAt(float distance, float& strength) const
{
    const float width = radiusOut_ - radiusIn_;
    if (width == 0.0f)
        return false;
    const float fraction = (distance - radiusIn_) / width;
    if (!(fraction < 1.0f))
        return false;
    JGeometryUtilities geometry;
    strength = geometry.InterpolateFloatCosine(fraction, force_, 1.0f);
    return true;
}
