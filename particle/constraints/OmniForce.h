#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/RadialField.h"
#include "particle/core/JGeometryUtilities.h"

struct RuleBlock;

// Pushes particles away from the centre (positive Force) or pulls them towards it (negative), with the
// radial field's falloff.
class PARTICLE_EXPORT OmniForce : public RadialField {
public:
    using ConstraintBase::apply;

    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char apply(ParticleCollection* particles) override;
    unsigned char apply(IGlintmote* particle) override;
    // The two radii and a vertical stroke, ten pixels per unit of force, upwards when repelling.
    unsigned char draw(CDC* dc, CSize size) override;

    // This class's kernel in the engine's fast walk over plain particles.
    static void runBlock(const IConstraint& rule, RuleBlock block);

private:
    template <typename Particle> void push(Particle p) const;
};

// What one application does to one particle, through whichever access the walk has.
template <typename Particle> void OmniForce::push(Particle p) const
{
    const Point3D position(p.locationX(), p.locationY(), 0.0f);
    JGeometryUtilities geometry;
    float strength = 0.0f;
    if (!strengthAt(geometry.PointDistanceFromPoint(position, center_), strength))
        return;
    Point3D direction(position.x - center_.x, position.y - center_.y, position.z - center_.z);
    direction.Normalize();
    p.setDeltaX(p.deltaX() + direction.x * strength);
    p.setDeltaY(p.deltaY() + direction.y * strength);
}
