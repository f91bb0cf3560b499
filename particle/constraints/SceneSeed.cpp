#include "particle/constraints/SceneSeed.h"

#include "platform/Random.h"

#include "particle/core/ConstraintCollection.h"
#include "particle/core/StringParameters.h"

std::unique_ptr<IConstraint> SceneSeed::Create()
{
    return std::make_unique<SceneSeed>();
}

CString SceneSeed::GetClassName()
{
    return "constraint.Seed";
}

unsigned char SceneSeed::setParametersFromString(CString params)
{
    StringParameters sp;
    seed_ = sp.getIntParameter(params, "Seed", seed_);
    return 1;
}

CString SceneSeed::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Seed", seed_)
        + "// Seed: where the random sequence starts when the scene is loaded (1 is the default sequence)\r\n";
}

std::optional<unsigned int> SceneSeed::seed() const
{
    if (seed_ < 0)
        return std::nullopt;
    return static_cast<unsigned int>(seed_);
}

std::optional<unsigned int> SceneSeed::Find(ConstraintCollection& constraints)
{
    for (int i = 0; i < constraints.getConstraintCount(); ++i) {
        auto* carrier = dynamic_cast<SceneSeed*>(constraints.getConstraint(i));
        if (carrier && carrier->seed())
            return carrier->seed();
    }
    return std::nullopt;
}

bool SceneSeed::Start(ConstraintCollection& constraints, std::optional<unsigned int> chosen)
{
    const std::optional<unsigned int> seed = chosen ? chosen : Find(constraints);
    if (!seed)
        return false;
    platform::SeedRand(*seed);
    return true;
}
