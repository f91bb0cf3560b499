#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SystemConstraint.h"

#include <optional>

class ConstraintCollection;

// Carries the seed of the random sequence in a scene's definition text. It does nothing on a step: the
// player reads it when it loads the scene and starts the sequence from it. Readers that do not know the
// class skip its block, and play the scene from the default sequence.
class PARTICLE_EXPORT SceneSeed : public SystemConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using SystemConstraint::apply;
    unsigned char apply(ParticleSystem*) override { return 1; }
    // "Seed": 0 to 2147483647; a negative value carries no seed.
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC*, CSize) override { return 1; }

    std::optional<unsigned int> seed() const;

    // The seed of the first seed block among the collection's constraints, if any carries one.
    static std::optional<unsigned int> Find(ConstraintCollection& constraints);
    // Starts the random sequence from chosen, or else from the collection's own seed; false, and the
    // sequence left as it runs, when there is neither.
    static bool Start(ConstraintCollection& constraints, std::optional<unsigned int> chosen);

private:
    int seed_ = 1;
};
