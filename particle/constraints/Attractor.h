#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SteppedField.h"

// A point that pulls particles towards it (a negative strength pushes them away) with a softened
// inverse-square law: the pull at distance r is Strength * r / (r^2 + Softening^2)^(3/2), so it is
// Strength / r^2 far away and falls to nothing at the point itself instead of flinging particles off.
// With an orbit radius the point circles its centre, one turn every Orbit Period steps.
class PARTICLE_EXPORT Attractor : public SteppedField {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    // Base tags, then "CenterX", "CenterY", "Strength", "Softening", "Orbit Radius", "Orbit Period".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    // A small cross where the point is.
    unsigned char draw(CDC* dc, CSize size) override;

    // The pull on a particle at (x, y) towards the point where it is now; false at the point itself
    // when unsoftened.
    bool velocityChange(float x, float y, float& dx, float& dy) const override;
    float pointX() const { return pointX_; }
    float pointY() const { return pointY_; }

private:
    void beginStep() override;
    void placePoint();

    float centerX_ = 160.0f;
    float centerY_ = 120.0f;
    float strength_ = 200.0f;
    float softening_ = 10.0f;
    float orbitRadius_ = 0.0f;
    float orbitPeriod_ = 200.0f;
    float pointX_ = 160.0f;
    float pointY_ = 120.0f;
};
