#include "particle/core/ConstraintClasses.h"

#include "particle/constraints/AddedClasses.h"
#include "particle/constraints/Cameleon.h"
#include "particle/constraints/Force.h"
#include "particle/constraints/ImageClear.h"
#include "particle/constraints/ImageDeltaParticleFactory.h"
#include "particle/constraints/ImageLoad.h"
#include "particle/constraints/OmniForce.h"
#include "particle/constraints/ParticleFactoryUniform.h"
#include "particle/constraints/ParticlesSquare.h"
#include "particle/constraints/RemoveAged.h"
#include "particle/constraints/RemoveOutOfBounds.h"
#include "particle/constraints/RenderSimple.h"
#include "particle/constraints/VortexForce.h"
#include "particle/core/ConstraintCollection.h"

std::vector<std::unique_ptr<IConstraint>> LibraryConstraintPrototypes()
{
    std::vector<std::unique_ptr<IConstraint>> classes;
    // The order is part of the interface: the first set as it always was, then those added since.
    classes.push_back(std::make_unique<RemoveOutOfBounds>());
    classes.push_back(std::make_unique<Force>());
    classes.push_back(std::make_unique<OmniForce>());
    classes.push_back(std::make_unique<RemoveAged>());
    classes.push_back(std::make_unique<ParticlesSquare>());
    classes.push_back(std::make_unique<Cameleon>());
    classes.push_back(std::make_unique<RenderSimple>());
    classes.push_back(std::make_unique<ImageClear>());
    classes.push_back(std::make_unique<ConstraintCollection>());
    classes.push_back(std::make_unique<ParticleFactoryUniform>());
    classes.push_back(std::make_unique<ImageLoad>());
    classes.push_back(std::make_unique<ImageDeltaParticleFactory>());
    classes.push_back(std::make_unique<VortexForce>());
    for (std::unique_ptr<IConstraint>& c : AddedConstraintPrototypes())
        classes.push_back(std::move(c));
    return classes;
}
