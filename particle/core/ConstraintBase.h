#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/IConstraint.h"

// The base of the per-particle constraints (the forces): it walks the system's particles and hands each
// particle of its group (-1: every particle) to apply(IGlintmote*).
class PARTICLE_EXPORT ConstraintBase : public IConstraint {
public:
    CString GetClassName() override;
    unsigned char apply(ParticleSystem* system) override;
    unsigned char apply(ParticleCollection* particles) override;
    unsigned char apply(IGlintmote* particle) override;
    // Reads "Group" and "Resource Only".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

protected:
    ConstraintBase() = default;

    int group = -1;
};
