#pragma once

#include "particle/ParticleExport.h"

class ConstraintCollection;

// Appends the player's built-in scene to the collection: a uniform particle factory and an attracting
// radial force, both centred on (160, 120), the middle of the 320 x 240 area, then the age rule and the
// bounds rule with their defaults.
PARTICLE_EXPORT void AddDefaultScene(ConstraintCollection& constraints);
