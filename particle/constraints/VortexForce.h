#pragma once

#include "particle/constraints/RadialField.h"

// Turns particles about the centre by the field's strength in radians (positive turns clockwise on
// screen, where y grows downwards). With a centre above the plane (CenterZ) it also pushes outwards.
class VortexForce : public RadialField {
public:
    using ConstraintBase::apply;

    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char apply(IGlintmote* particle) override;
    // The two radii and a horizontal stroke at the top of the ring, pointing the way particles turn.
    unsigned char draw(CDC* dc, CSize size) override;
};
