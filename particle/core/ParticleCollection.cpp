#include "particle/core/ParticleCollection.h"

#include "particle/core/ParallelLoop.h"

#include <algorithm>
#include <typeinfo>

namespace {

// Moving a particle costs a few nanoseconds: only very large collections are worth a second thread.
constexpr std::size_t kStepsPerSlice = 1 << 16;

} // namespace

ParticleCollection::~ParticleCollection()
{
    removeAllParticles();
}

bool ParticleCollection::isOther(const IGlintmote* particle) const
{
    return !particle || typeid(*particle) != typeid(ParticleBase);
}

bool ParticleCollection::holdsOnlyParticleBase() const
{
    return others_ == 0 && typeid(*this) == typeid(ParticleCollection);
}

void ParticleCollection::dispose(IGlintmote* particle)
{
    if (isOther(particle))
        --others_;
    if (pool_.owns(particle))
        pool_.destroy(static_cast<ParticleBase*>(particle));
    else
        delete particle;
}

unsigned char ParticleCollection::step()
{
    if (holdsOnlyParticleBase()) {
        parallel::ForEachRange(particles_.size(), kStepsPerSlice, [this](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i)
                particleBaseAt(i)->ParticleBase::step();
        });
        return 1;
    }
    const std::size_t count = particles_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (particles_[i])
            particles_[i]->step();
    }
    return 1;
}

unsigned char ParticleCollection::addParticle(std::unique_ptr<IGlintmote> particle)
{
    const bool other = isOther(particle.get());
    particles_.push_back(nullptr); // may throw; the particle is still the caller's then
    particles_.back() = particle.release();
    if (other)
        ++others_;
    return 1;
}

ParticleCollection::Newborn ParticleCollection::makeLike(IGlintmote& prototype)
{
    Newborn newborn;
    if (typeid(prototype) == typeid(ParticleBase) && typeid(*this) == typeid(ParticleCollection)) {
        particles_.push_back(nullptr);
        try {
            newborn.particle = particles_.back() = pool_.make();
        } catch (...) {
            particles_.pop_back();
            throw;
        }
        return newborn;
    }
    newborn.pending = prototype.Create();
    newborn.particle = newborn.pending.get();
    return newborn;
}

void ParticleCollection::adopt(Newborn& newborn)
{
    if (newborn.pending)
        addParticle(std::move(newborn.pending));
}

int ParticleCollection::getParticleCount()
{
    return static_cast<int>(particles_.size());
}

IGlintmote* ParticleCollection::getParticle(int index)
{
    return particleAt(index);
}

unsigned char ParticleCollection::removeParticle(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= particles_.size())
        return 0;
    IGlintmote* removed = particles_[static_cast<std::size_t>(index)];
    particles_.erase(particles_.begin() + index);
    dispose(removed);
    return 1;
}

unsigned char ParticleCollection::removeParticle(IGlintmote* particle)
{
    for (std::size_t i = 0; i < particles_.size(); ++i) {
        if (particles_[i] == particle)
            return removeParticle(static_cast<int>(i));
    }
    return 0;
}

unsigned char ParticleCollection::removeAllParticles()
{
    std::vector<IGlintmote*> removed;
    removed.swap(particles_);
    for (IGlintmote* particle : removed)
        dispose(particle);
    // Nothing of the pool is alive now: give its memory back rather than keep the largest scene's.
    pool_.release();
    marks_.clear();
    marks_.shrink_to_fit();
    return 1;
}

unsigned char* ParticleCollection::removalMarks()
{
    marks_.assign(particles_.size(), 0);
    return marks_.data();
}

void ParticleCollection::removeMarked()
{
    const std::size_t count = std::min(particles_.size(), marks_.size());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (marks_[i]) {
            dispose(particles_[i]);
            continue;
        }
        particles_[kept++] = particles_[i];
    }
    for (std::size_t i = count; i < particles_.size(); ++i)
        particles_[kept++] = particles_[i];
    particles_.resize(kept);
}
