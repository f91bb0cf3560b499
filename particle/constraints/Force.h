#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/ConstraintBase.h"

// The same velocity change for every selected particle on every step: gravity or wind.
class PARTICLE_EXPORT Force : public ConstraintBase {
public:
    using ConstraintBase::apply;

    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char apply(ParticleCollection* particles) override;
    unsigned char apply(IGlintmote* particle) override;
    // Base tags, then "DeltaX", "DeltaY".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    // A uniform field has nothing to show.
    unsigned char draw(CDC* dc, CSize size) override;

    virtual unsigned char setDelta(float dx, float dy);
    virtual float getDeltaX();
    virtual float getDeltaY();

private:
    friend class ParticleRuleRun;
    template <typename Particle> void push(Particle p) const;

    float deltaX_ = 0.0f;
    float deltaY_ = 0.75f;
};

// What one application does to one particle, through whichever access the walk has.
template <typename Particle> void Force::push(Particle p) const
{
    p.setDeltaY(p.deltaY() + deltaY_);
    p.setDeltaX(p.deltaX() + deltaX_);
}
