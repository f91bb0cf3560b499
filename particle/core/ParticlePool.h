#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/ParticleBase.h"

#include <cstddef>
#include <memory>
#include <vector>

// Storage for the particles the engine makes itself: ParticleBase objects in large blocks that are reused
// as particles come and go. Making a particle costs no heap allocation once the blocks are there, and the
// particles of a collection lie side by side in memory, mostly in the order in which they are walked.
// A particle stays where it was made until it is destroyed, so pointers to it stay good as others come
// and go.
class PARTICLE_EXPORT ParticlePool {
public:
    ParticlePool() = default;
    ParticlePool(const ParticlePool&) = delete;
    ParticlePool& operator=(const ParticlePool&) = delete;
    // Every particle made here must have been destroyed first.
    ~ParticlePool() = default;

    // A new default ParticleBase.
    ParticleBase* make();
    // Destroys a particle that make() gave and keeps its place for the next one.
    void destroy(ParticleBase* particle);
    // Whether the object lies in this pool's storage.
    bool owns(const IGlintmote* object) const;
    // Gives the blocks back to the heap; only when no particle of the pool is alive.
    void release();

private:
    struct alignas(ParticleBase) Place {
        unsigned char bytes[sizeof(ParticleBase)];
    };
    struct Block {
        std::unique_ptr<Place[]> places;
        std::size_t count;
    };
    // How many blocks start at or below address: where a block at that address goes in blocks_.
    std::size_t blocksFrom(const unsigned char* address) const;

    void grow();

    std::vector<Block> blocks_; // by ascending address, for owns()
    std::vector<ParticleBase*> free_; // the next free place at the back
    std::size_t capacity_ = 0;
};
