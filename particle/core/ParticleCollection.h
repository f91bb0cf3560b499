#pragma once

#include "particle/core/IGlintmote.h"

#include <memory>
#include <vector>

// The ordered, owning list of particles. Null entries are allowed and skipped by every walk.
// Indices out of range give a null particle or a 0 result; nothing reads outside the list.
class ParticleCollection : public CObject {
public:
    // Factories and the particle system stop adding particles at this many, whatever a scene asks for:
    // a scene file could otherwise ask for billions in one step.
    static constexpr int kMaxParticles = 1 << 22;

    virtual unsigned char step();
    // Appends and takes ownership.
    virtual unsigned char addParticle(std::unique_ptr<IGlintmote> particle);
    virtual int getParticleCount();
    virtual IGlintmote* getParticle(int index);
    virtual unsigned char removeParticle(int index);
    // Removes the first entry holding the particle; 0 if it is not here.
    virtual unsigned char removeParticle(IGlintmote* particle);
    virtual unsigned char removeAllParticles();

    // Removes (and deletes) the entries at the given indices, which must ascend, in one pass: the
    // survivors keep their order. Removing k of n particles costs O(n), not O(n k).
    void removeParticlesAt(const std::vector<int>& ascendingIndices);
    // getParticle without the virtual call, for the engine's own per-particle loops.
    IGlintmote* particleAt(int index) const
    {
        return index >= 0 && static_cast<std::size_t>(index) < particles_.size()
            ? particles_[static_cast<std::size_t>(index)].get()
            : nullptr;
    }

private:
    std::vector<std::unique_ptr<IGlintmote>> particles_;
};
