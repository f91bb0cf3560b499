#pragma once

#include "particle/core/IConstraint.h"

#include <memory>
#include <vector>

// A prototype of every constraint class the library has, in the order the class registry lists them
// (class listings index into it). The list is kept with the classes themselves.
std::vector<std::unique_ptr<IConstraint>> LibraryConstraintPrototypes();
