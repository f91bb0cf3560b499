#include "particle/core/ParticleRuleRun.h"

#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleCollection.h"
#include "particle/core/RuleKernel.h"

#include <algorithm>

namespace {

// Below these many particles per thread a run is over before a second thread would have woken: a force
// costs some tens of nanoseconds a particle, a removal test or a move a few.
constexpr std::size_t kForcesPerSlice = 4096;
constexpr std::size_t kTestsPerSlice = 1 << 15;

} // namespace

bool ParticleRuleRun::add(IConstraint* constraint)
{
    if (!constraint || count_ == kMaxRules)
        return false;
    const RuleKernel* kernel = FindRuleKernel(*constraint);
    if (!kernel)
        return false;
    rules_[count_++] = { kernel, constraint };
    removes_ = removes_ || kernel->removes;
    moves_ = moves_ || !kernel->removes;
    return true;
}

void ParticleRuleRun::applyToBlock(
    ParticleCollection& particles, std::size_t begin, std::size_t end, bool* gone, bool thenStep) const
{
    // One rule at a time over a block small enough to stay in the fastest cache: the walk over memory is
    // still one, and each rule's loop is a tight one of its own. A particle one rule condemns is passed
    // over by the rules after it.
    const RuleBlock block { particles, begin, end, gone };
    for (int r = 0; r < count_; ++r)
        rules_[r].kernel->run(*rules_[r].constraint, block);
    if (thenStep) {
        for (std::size_t i = begin; i < end; ++i) {
            if (!gone[i - begin])
                particles.particleBaseAt(i)->ParticleBase::step();
        }
    }
}

void ParticleRuleRun::apply(ParticleCollection& particles, bool thenStep) const
{
    constexpr std::size_t kBlock = 256;
    const std::size_t count = particles.size();
    unsigned char* marks = removes_ ? particles.removalMarks() : nullptr;
    const int slices = parallel::SliceCount(count, moves_ ? kForcesPerSlice : kTestsPerSlice);
    bool removedIn[parallel::kMaxThreads] = {};
    parallel::RunSlices(slices, [&](int slice) {
        const auto n = static_cast<std::size_t>(slices);
        const std::size_t end = count * static_cast<std::size_t>(slice + 1) / n;
        // The block's own marks are bools, not bytes: a byte store may alias anything, and would make
        // every rule reload its parameters after each particle.
        bool gone[kBlock];
        for (std::size_t begin = count * static_cast<std::size_t>(slice) / n; begin < end; begin += kBlock) {
            const std::size_t size = std::min(end - begin, kBlock);
            std::fill(gone, gone + size, false);
            applyToBlock(particles, begin, begin + size, gone, thenStep);
            for (std::size_t k = 0; marks && k < size; ++k) {
                if (gone[k]) {
                    marks[begin + k] = 1;
                    removedIn[slice] = true;
                }
            }
        }
    });
    for (int slice = 0; slice < slices; ++slice) {
        if (removedIn[slice]) {
            particles.removeMarked();
            break;
        }
    }
}

bool ParticleRuleRun::applyAlone(IConstraint* constraint, ParticleCollection* particles)
{
    ParticleRuleRun run;
    if (!particles->holdsOnlyParticleBase() || !run.add(constraint))
        return false;
    run.apply(*particles, false);
    return true;
}
