#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/RadialField.h"
#include "particle/core/JGeometryUtilities.h"

struct RuleBlock;

// Turns particles about the centre by the field's strength in radians (positive turns clockwise on
// screen, where y grows downwards). With a centre above the plane (CenterZ) it also pushes outwards.
class PARTICLE_EXPORT VortexForce : public RadialField {
public:
    using ConstraintBase::apply;

    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char apply(ParticleCollection* particles) override;
    unsigned char apply(IGlintmote* particle) override;
    // The two radii and a horizontal stroke at the top of the ring, pointing the way particles turn.
    unsigned char draw(CDC* dc, CSize size) override;

    // This class's kernel in the engine's fast walk over plain particles.
    static void runBlock(const IConstraint& rule, RuleBlock block);

private:
    template <typename Particle> void turn(Particle p) const;
};

// What one application does to one particle, through whichever access the walk has.
template <typename Particle> void VortexForce::turn(Particle p) const
{
    const float x = p.locationX();
    const float y = p.locationY();
    JGeometryUtilities geometry;
    const float distance = geometry.PointDistanceFromPoint(Point3D(x, y, 0.0f), center_);
    float strength = 0.0f;
    if (!strengthAt(distance, strength))
        return;
    // The velocity gains the chord to where the particle would be, turned about the centre.
    const float angle = geometry.GetLineSegmentAngle(center_.x, center_.y, x, y) + strength;
    const float targetX = center_.x + geometry.GetDeltaXOfVector(angle, distance);
    const float targetY = center_.y + geometry.GetDeltaYOfVector(angle, distance);
    p.setDeltaX(p.deltaX() + (targetX - x));
    p.setDeltaY(p.deltaY() + (targetY - y));
}
