#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/ConstraintBase.h"

// A force field that changes with time: each application to the particles is one step of its clock.
// Subclasses say what the field adds to a particle's velocity at a point, at the present step.
class PARTICLE_EXPORT SteppedField : public ConstraintBase {
public:
    using ConstraintBase::apply;

    // Readies the field for this step, pushes every particle, then moves the clock on by one step.
    unsigned char apply(ParticleCollection* particles) override;
    unsigned char apply(IGlintmote* particle) override;

    // The velocity change at (x, y) at the present step; false where the field does nothing.
    virtual bool velocityChange(float x, float y, float& dx, float& dy) const = 0;

protected:
    // Called once a step before any particle is pushed.
    virtual void beginStep() { }
    long steps() const { return steps_; }

private:
    long steps_ = 0;
};
