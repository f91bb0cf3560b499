#pragma once

#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleCollection.h"

#include <cstddef>

class IConstraint;

// The particles [begin, end) of a collection that a fast walk has reached, and one mark per particle of
// the block for those a removal rule has condemned (the rules after it pass them over).
struct RuleBlock {
    ParticleCollection& particles;
    std::size_t begin;
    std::size_t end;
    bool* gone;

    // action(k, particle) for every particle of the block still there, k its place in the block.
    template <typename Action> void each(Action&& action) const
    {
        // Held in locals: the particles' stores cannot then make the loop read the block again.
        ParticleCollection& all = particles;
        const bool* const marks = gone;
        const std::size_t first = begin;
        const std::size_t last = end;
        for (std::size_t i = first; i < last; ++i) {
            if (!marks[i - first])
                action(i - first, DirectParticle(all.particleBaseAt(i)));
        }
    }
};

// What one of the library's per-particle rules does to a block: a force changes the particles, a removal
// rule marks the ones it condemns. Each rule's kernel lives beside its class.
struct RuleKernel {
    bool removes;
    void (*run)(const IConstraint& rule, RuleBlock block);
};

// The kernel of the constraint's exact class; null for every other class, a host's subclass of a library
// rule included (it may override what the rule does to a particle). The table is kept with the classes.
const RuleKernel* FindRuleKernel(const IConstraint& constraint);
