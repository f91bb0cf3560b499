#include "particle/core/ParticleRuleRun.h"

#include "particle/constraints/Force.h"
#include "particle/constraints/OmniForce.h"
#include "particle/constraints/RemoveAged.h"
#include "particle/constraints/RemoveOutOfBounds.h"
#include "particle/constraints/VortexForce.h"
#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleCollection.h"

#include <algorithm>
#include <typeinfo>

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
    const std::type_info& type = typeid(*constraint);
    Kind kind;
    if (type == typeid(Force))
        kind = Kind::Force;
    else if (type == typeid(OmniForce))
        kind = Kind::OmniForce;
    else if (type == typeid(VortexForce))
        kind = Kind::VortexForce;
    else if (type == typeid(RemoveAged))
        kind = Kind::RemoveAged;
    else if (type == typeid(RemoveOutOfBounds))
        kind = Kind::RemoveOutOfBounds;
    else
        return false;
    rules_[count_++] = { kind, constraint };
    const bool removal = kind == Kind::RemoveAged || kind == Kind::RemoveOutOfBounds;
    removes_ = removes_ || removal;
    moves_ = moves_ || !removal;
    return true;
}

void ParticleRuleRun::applyToBlock(
    ParticleCollection& particles, std::size_t begin, std::size_t end, bool* gone, bool thenStep) const
{
    // One rule at a time over a block small enough to stay in the fastest cache: the walk over memory is
    // still one, and each rule's loop is a tight one of its own. A particle one rule condemns is passed
    // over by the rules after it.
    auto each = [&](auto&& action) {
        for (std::size_t i = begin; i < end; ++i) {
            if (!gone[i - begin])
                action(i - begin, DirectParticle(particles.particleBaseAt(i)));
        }
    };
    for (int r = 0; r < count_; ++r) {
        const IConstraint* c = rules_[r].constraint;
        switch (rules_[r].kind) {
        case Kind::Force: {
            const auto* force = static_cast<const Force*>(c);
            const int group = force->group;
            each([&](std::size_t, DirectParticle p) {
                if (group == -1 || p.group() == group)
                    force->push(p);
            });
            break;
        }
        case Kind::OmniForce: {
            const auto* force = static_cast<const OmniForce*>(c);
            const int group = force->group;
            each([&](std::size_t, DirectParticle p) {
                if (group == -1 || p.group() == group)
                    force->push(p);
            });
            break;
        }
        case Kind::VortexForce: {
            const auto* force = static_cast<const VortexForce*>(c);
            const int group = force->group;
            each([&](std::size_t, DirectParticle p) {
                if (group == -1 || p.group() == group)
                    force->turn(p);
            });
            break;
        }
        case Kind::RemoveAged: {
            const auto* rule = static_cast<const RemoveAged*>(c);
            each([&](std::size_t k, DirectParticle p) { gone[k] = rule->condemns(p); });
            break;
        }
        case Kind::RemoveOutOfBounds: {
            const RemoveOutOfBounds::Test test = static_cast<const RemoveOutOfBounds*>(c)->test();
            each([&](std::size_t k, DirectParticle p) { gone[k] = test.condemns(p); });
            break;
        }
        }
    }
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
