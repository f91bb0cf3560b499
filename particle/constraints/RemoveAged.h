#pragma once

#include "particle/core/IConstraint.h"

// Deletes the particles (of its group; -1: all) that have lived more than MaximumAge steps.
class RemoveAged : public IConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char apply(ParticleSystem* system) override;
    unsigned char apply(ParticleCollection* particles) override;
    // A single particle is never removed this way: 0.
    unsigned char apply(IGlintmote* particle) override;
    // "Group", "MaximumAge", "Resource Only".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

    virtual unsigned char shouldRemove(IGlintmote* particle);

private:
    int maximumAge_ = 160;
    int group_ = -1;
};
