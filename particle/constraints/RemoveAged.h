#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/CollectionConstraint.h"

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

private:
    friend class ParticleRuleRun;
    template <typename Particle> bool condemns(Particle p) const;

    int maximumAge_ = 160;
    int group_ = -1;
};

// The test of shouldRemove, through whichever access the walk has.
template <typename Particle> bool RemoveAged::condemns(Particle p) const
{
    if (group_ != -1 && p.group() != group_)
        return false;
    return p.age() > maximumAge_;
}
