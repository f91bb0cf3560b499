#pragma once

#include <cstddef>

class IConstraint;
class ParticleCollection;
struct RuleKernel;

// A run of consecutive constraints that each act on one particle at a time, on nothing but that particle:
// the library's own forces and removal rules. The run applies them all in one walk over the particles
// instead of one walk each: every particle, in list order, meets the run's constraints in their list
// order. That is exactly what applying them one after another does to it, because a force changes only
// the particle it is given and a removal rule decides on that particle alone; a particle a rule condemns
// meets none of the constraints after it, just as if it had been removed before they ran. The condemned
// leave the collection in one compaction at the end, the survivors in their order.
//
// Only constraints of exactly the library's classes that have a kernel join a run (a host's subclass may
// override what they do per particle, and then gets its virtual calls), and a run only walks a collection whose
// particles are all exactly ParticleBase, reaching their fields directly. A large collection is split over threads.
class ParticleRuleRun {
public:
    static constexpr int kMaxRules = 16;

    // Appends the constraint when it is one of the library's own per-particle rules and the run has room.
    bool add(IConstraint* constraint);
    int size() const { return count_; }

    // Applies the run to the particles, which must all be exactly ParticleBase; with thenStep every
    // particle that stays also moves and ages, as the particle system's step does next.
    void apply(ParticleCollection& particles, bool thenStep) const;

    // One constraint's own fast path: applies it alone when it can join a run and the particles allow a
    // run; false, with nothing done, otherwise.
    static bool applyAlone(IConstraint* constraint, ParticleCollection* particles);

private:
    struct Rule {
        const RuleKernel* kernel;
        const IConstraint* constraint;
    };

    // The run over the particles [begin, end); gone holds one mark per particle of the block, all clear
    // at first, and is set for those a rule of the run condemns.
    void applyToBlock(
        ParticleCollection& particles, std::size_t begin, std::size_t end, bool* gone, bool thenStep) const;

    Rule rules_[kMaxRules] {};
    int count_ = 0;
    bool removes_ = false; // the run holds a removal rule
    bool moves_ = false; // the run holds a force
};
