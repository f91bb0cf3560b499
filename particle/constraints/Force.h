#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/ConstraintBase.h"

struct RuleBlock;

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

    // This class's kernel in the engine's fast walk over plain particles.
    static void runBlock(const IConstraint& rule, RuleBlock block);

private:
    // What one application does to one particle, through whichever access the walk has; the tags come as
    // values so that a walk holds them in registers.
    template <typename Particle> static void push(float deltaX, float deltaY, Particle p);

    float deltaX_ = 0.0f;
    float deltaY_ = 0.75f;
};

template <typename Particle> void Force::push(float deltaX, float deltaY, Particle p)
{
    p.setDeltaY(p.deltaY() + deltaY);
    p.setDeltaX(p.deltaX() + deltaX);
}
