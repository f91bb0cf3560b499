#include "particle/core/ParticlePool.h"

#include <algorithm>
#include <functional>
#include <new>

namespace {

// The first block holds this many particles; every further block as many as all before it, up to the
// largest, so that a million particles take a few dozen blocks.
constexpr std::size_t kFirstBlock = 1024;
constexpr std::size_t kLargestBlock = 1 << 16;

} // namespace

ParticleBase* ParticlePool::make()
{
    if (free_.empty())
        grow();
    void* place = free_.back();
    free_.pop_back();
    return new (place) ParticleBase();
}

void ParticlePool::destroy(ParticleBase* particle)
{
    particle->~ParticleBase();
    free_.push_back(particle); // within the capacity reserved by grow()
}

bool ParticlePool::owns(const IGlintmote* object) const
{
    const auto* address = reinterpret_cast<const unsigned char*>(object);
    // The last block that starts at or before the address.
    const std::size_t below = blocksFrom(address);
    if (below == 0)
        return false;
    const Block& block = blocks_[below - 1];
    // The end of the block, taken as a pointer past its last place, not as an index into the first.
    const auto* end = reinterpret_cast<const unsigned char*>(block.places.get() + block.count);
    return std::less<const unsigned char*>()(address, end);
}

std::size_t ParticlePool::blocksFrom(const unsigned char* address) const
{
    return std::upper_bound(blocks_.begin(), blocks_.end(), address, [](const unsigned char* a, const Block& b) {
        return std::less<const unsigned char*>()(a, reinterpret_cast<const unsigned char*>(b.places.get()));
    }) - blocks_.begin();
}

void ParticlePool::release()
{
    blocks_.clear();
    free_.clear();
    free_.shrink_to_fit();
    capacity_ = 0;
}

void ParticlePool::grow()
{
    const std::size_t count = std::min(std::max(capacity_, kFirstBlock), kLargestBlock);
    // Everything that can fail comes before the first free place is listed.
    free_.reserve(capacity_ + count);
    blocks_.reserve(blocks_.size() + 1);
    Block block { std::unique_ptr<Place[]>(new Place[count]), count };
    // Handed out from the back: lowest address first.
    for (std::size_t i = count; i-- > 0;)
        free_.push_back(reinterpret_cast<ParticleBase*>(block.places[i].bytes));
    const auto at = static_cast<std::ptrdiff_t>(blocksFrom(block.places[0].bytes));
    blocks_.insert(blocks_.begin() + at, std::move(block));
    capacity_ += count;
}
