#pragma once

#include "particle/constraints/RadialField.h"

// Pushes particles away from the centre (positive Force) or pulls them towards it (negative), with the
// radial field's falloff.
class OmniForce : public RadialField {
public:
    using ConstraintBase::apply;

    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char apply(IGlintmote* particle) override;
    // The two radii and a vertical stroke, ten pixels per unit of force, upwards when repelling.
    unsigned char draw(CDC* dc, CSize size) override;
};
