#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/IConstraint.h"

// A constraint that acts on the whole particle system at once (a picture step, the image delta
// factory): handed a collection or a single particle, it does nothing and says so.
class PARTICLE_EXPORT SystemConstraint : public IConstraint {
public:
    using IConstraint::apply;
    unsigned char apply(ParticleCollection*) override { return 0; }
    unsigned char apply(IGlintmote*) override { return 0; }
};
