#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/CollectionConstraint.h"

struct RuleBlock;

// Deletes the particles (of its group; -1: all) that have lived more than MaximumAge steps.
class PARTICLE_EXPORT RemoveAged : public CollectionConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using CollectionConstraint::apply;
    // Removes the particles that fail the test, in one pass over the collection.
    unsigned char apply(ParticleCollection* particles) override;
    // "Group", "MaximumAge", "Resource Only".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

    virtual unsigned char shouldRemove(IGlintmote* particle);

    // This class's kernel in the engine's fast walk over plain particles.
    static void runBlock(const IConstraint& rule, RuleBlock block);

private:
    // The test of shouldRemove, through whichever access the walk has; the tags come as values so that a
    // walk holds them in registers.
    template <typename Particle> static bool condemns(int group, int maximumAge, Particle p);

    int maximumAge_ = 160;
    int group_ = -1;
};

template <typename Particle> bool RemoveAged::condemns(int group, int maximumAge, Particle p)
{
    if (group != -1 && p.group() != group)
        return false;
    return p.age() > maximumAge;
}
