#pragma once

#include "particle/core/ParticleCollection.h"

// The removal rules' walk through their virtual tests: first mark every particle the test condemns, then
// take them all out in one compaction, so the collection never changes while it is being walked and
// removing k of n particles costs O(n) rather than a search per removal. Null entries are skipped.
template <typename ShouldRemove> void RemoveParticlesWhere(ParticleCollection* particles, ShouldRemove shouldRemove)
{
    unsigned char* marks = particles->removalMarks();
    bool found = false;
    const int count = particles->getParticleCount();
    for (int i = 0; i < count; ++i) {
        IGlintmote* p = particles->particleAt(i);
        if (p && shouldRemove(p)) {
            marks[i] = 1;
            found = true;
        }
    }
    if (found)
        particles->removeMarked();
}
