#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/IGlintmote.h"
#include "particle/core/ParticlePool.h"

#include <cstddef>
#include <memory>
#include <vector>

// The ordered, owning list of particles. Null entries are allowed and skipped by every walk.
// Indices out of range give a null particle or a 0 result; nothing reads outside the list.
//
// Particles handed in by addParticle stay the objects they are. The ParticleBase objects the engine makes
// itself (appendParticleBase) live in the collection's pool instead of one heap allocation each. While
// every entry is exactly a ParticleBase, the engine's own constraints reach the particles' fields
// directly (holdsOnlyParticleBase); an entry of any other class, or a null one, sends every walk through
// the virtual getters and setters again.
class PARTICLE_EXPORT ParticleCollection : public CObject {
public:
    // Factories and the particle system stop adding particles at this many, whatever a scene asks for:
    // a scene file could otherwise ask for billions in one step.
    static constexpr int kMaxParticles = 1 << 22;

    ParticleCollection() = default;
    ~ParticleCollection() override;
    ParticleCollection(const ParticleCollection&) = delete;
    ParticleCollection& operator=(const ParticleCollection&) = delete;

    virtual unsigned char step();
    // Appends and takes ownership.
    virtual unsigned char addParticle(std::unique_ptr<IGlintmote> particle);
    virtual int getParticleCount();
    virtual IGlintmote* getParticle(int index);
    virtual unsigned char removeParticle(int index);
    // Removes the first entry holding the particle; 0 if it is not here.
    virtual unsigned char removeParticle(IGlintmote* particle);
    virtual unsigned char removeAllParticles();

    // getParticle without the virtual call, for the engine's own per-particle loops.
    IGlintmote* particleAt(int index) const
    {
        return index >= 0 && static_cast<std::size_t>(index) < particles_.size()
            ? particles_[static_cast<std::size_t>(index)]
            : nullptr;
    }
    std::size_t size() const { return particles_.size(); }

    // True when this is a plain ParticleCollection (no host subclass that might override its virtual
    // operations) and every entry is a particle of exactly the class ParticleBase.
    bool holdsOnlyParticleBase() const;
    // The entry as the ParticleBase it is; only while holdsOnlyParticleBase().
    ParticleBase* particleBaseAt(std::size_t index) const { return static_cast<ParticleBase*>(particles_[index]); }

    // A particle on its way in, made like a prototype: its creator sets its fields through `particle`,
    // then hands it to adopt(). A ParticleBase for a plain collection is made in the pool and is already
    // in the list; any other comes from the prototype's Create() and reaches the list only in adopt(),
    // through the virtual addParticle, after its fields are set.
    struct Newborn {
        IGlintmote* particle = nullptr; // null when the prototype made nothing
        std::unique_ptr<IGlintmote> pending;
    };
    Newborn makeLike(IGlintmote& prototype);
    void adopt(Newborn& newborn);

    // Removal in two passes, so that nothing leaves the list while a rule is still testing it: the rule
    // sets a mark per entry to remove, then one compaction takes them all out (and deletes them) in O(n)
    // and the survivors keep their order. The marks are the collection's own scratch memory, one per
    // entry, all clear when handed out.
    unsigned char* removalMarks();
    void removeMarked();

private:
    // Deletes the particle of an entry that is leaving the list.
    void dispose(IGlintmote* particle);
    bool isOther(const IGlintmote* particle) const;

    std::vector<IGlintmote*> particles_; // each owned by pool_ or, alone on the heap, by this collection
    ParticlePool pool_;
    std::size_t others_ = 0; // entries that are null or not exactly a ParticleBase
    std::vector<unsigned char> marks_;
};
