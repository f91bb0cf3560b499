#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/IConstraint.h"
#include "particle/core/ParticleSystem.h"

// A constraint that acts on the particle collection as a whole (a factory adding a batch, a removal
// rule): applied to a system it acts on the system's particles; a single particle is never its target.
class PARTICLE_EXPORT CollectionConstraint : public IConstraint {
public:
    using IConstraint::apply;
    unsigned char apply(ParticleSystem* system) override { return system ? apply(&system->particles) : 0; }
    unsigned char apply(IGlintmote*) override { return 0; }
};
