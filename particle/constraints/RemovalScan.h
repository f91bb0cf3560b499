#pragma once

#include "particle/core/ParticleCollection.h"

#include <vector>

// The removal rules' walk: first find every particle the test condemns, then take them all out in one
// compaction, so the collection never changes while it is being walked and removing k of n particles
// costs O(n) rather than a search per removal. Null entries are skipped.
template <typename ShouldRemove> void RemoveParticlesWhere(ParticleCollection* particles, ShouldRemove shouldRemove)
{
    std::vector<int> condemned;
    const int count = particles->getParticleCount();
    for (int i = 0; i < count; ++i) {
        IGlintmote* p = particles->particleAt(i);
        if (p && shouldRemove(p))
            condemned.push_back(i);
    }
    if (!condemned.empty())
        particles->removeParticlesAt(condemned);
}
