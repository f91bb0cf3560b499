#include "particle/core/ParticleCollection.h"

unsigned char ParticleCollection::step()
{
    const std::size_t count = particles_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (particles_[i])
            particles_[i]->step();
    }
    return 1;
}

unsigned char ParticleCollection::addParticle(std::unique_ptr<IGlintmote> particle)
{
    particles_.push_back(std::move(particle));
    return 1;
}

int ParticleCollection::getParticleCount()
{
    return static_cast<int>(particles_.size());
}

IGlintmote* ParticleCollection::getParticle(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= particles_.size())
        return nullptr;
    return particles_[static_cast<std::size_t>(index)].get();
}

unsigned char ParticleCollection::removeParticle(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= particles_.size())
        return 0;
    particles_.erase(particles_.begin() + index);
    return 1;
}

unsigned char ParticleCollection::removeParticle(IGlintmote* particle)
{
    for (std::size_t i = 0; i < particles_.size(); ++i) {
        if (particles_[i].get() == particle)
            return removeParticle(static_cast<int>(i));
    }
    return 0;
}

unsigned char ParticleCollection::removeAllParticles()
{
    particles_.clear();
    return 1;
}

void ParticleCollection::removeParticlesAt(const std::vector<int>& ascendingIndices)
{
    std::size_t next = 0; // next index to remove
    std::size_t kept = 0;
    for (std::size_t i = 0; i < particles_.size(); ++i) {
        while (next < ascendingIndices.size() && ascendingIndices[next] < static_cast<long long>(i))
            ++next; // tolerate repeated or negative indices
        if (next < ascendingIndices.size() && ascendingIndices[next] == static_cast<long long>(i)) {
            ++next;
            particles_[i].reset();
            continue;
        }
        if (kept != i)
            particles_[kept] = std::move(particles_[i]);
        ++kept;
    }
    particles_.resize(kept);
}
