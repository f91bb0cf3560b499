#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/IConstraint.h"

#include <memory>
#include <vector>

// Prototypes of the constraint classes added after the first set, in the order the class registry lists
// them, after all of the first set (whose order class listings depend on). A new class joins here.
PARTICLE_EXPORT std::vector<std::unique_ptr<IConstraint>> AddedConstraintPrototypes();
