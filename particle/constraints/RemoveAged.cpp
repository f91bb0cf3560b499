#include "particle/constraints/RemoveAged.h"

#include "particle/constraints/RemovalScan.h"
#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleRuleRun.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/RuleKernel.h"
#include "particle/core/StringParameters.h"

std::unique_ptr<IConstraint> RemoveAged::Create()
{
    return std::make_unique<RemoveAged>();
}

CString RemoveAged::GetClassName()
{
    return "constraint.RemoveAged";
}

unsigned char RemoveAged::apply(ParticleCollection* particles)
{
    if (!ParticleRuleRun::applyAlone(this, particles))
        RemoveParticlesWhere(particles, [this](IGlintmote* p) { return shouldRemove(p) != 0; });
    return 1;
}

unsigned char RemoveAged::setParametersFromString(CString params)
{
    StringParameters sp;
    group_ = sp.getIntParameter(params, "Group", group_);
    maximumAge_ = sp.getIntParameter(params, "MaximumAge", maximumAge_);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString RemoveAged::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Group", group_) + sp.toString("MaximumAge", maximumAge_)
        + sp.toString("Resource Only", resourceOnly);
}

unsigned char RemoveAged::draw(CDC*, CSize)
{
    return 0;
}

unsigned char RemoveAged::shouldRemove(IGlintmote* particle)
{
    return condemns(group_, maximumAge_, VirtualParticle(particle)) ? 1 : 0;
}

void RemoveAged::runBlock(const IConstraint& rule, RuleBlock block)
{
    const auto& removal = static_cast<const RemoveAged&>(rule);
    const int group = removal.group_;
    const int maximumAge = removal.maximumAge_;
    bool* const gone = block.gone;
    block.each([&](std::size_t k, DirectParticle p) { gone[k] = condemns(group, maximumAge, p); });
}
