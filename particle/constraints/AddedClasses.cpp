#include "particle/constraints/AddedClasses.h"

#include "particle/constraints/Attractor.h"
#include "particle/constraints/ColourRamp.h"
#include "particle/constraints/ImageFade.h"
#include "particle/constraints/ImageText.h"
#include "particle/constraints/RenderLight.h"
#include "particle/constraints/SceneSeed.h"
#include "particle/constraints/Turbulence.h"

std::vector<std::unique_ptr<IConstraint>> AddedConstraintPrototypes()
{
    std::vector<std::unique_ptr<IConstraint>> added;
    added.push_back(std::make_unique<ColourRamp>());
    added.push_back(std::make_unique<Turbulence>());
    added.push_back(std::make_unique<Attractor>());
    added.push_back(std::make_unique<ImageFade>());
    added.push_back(std::make_unique<ImageText>());
    added.push_back(std::make_unique<SceneSeed>());
    added.push_back(std::make_unique<RenderLight>());
    return added;
}
