#include "particle/constraints/RemoveOutOfBounds.h"

#include "particle/constraints/RemovalScan.h"
#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleRuleRun.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/RuleKernel.h"
#include "particle/core/StringParameters.h"

std::unique_ptr<IConstraint> RemoveOutOfBounds::Create()
{
    return std::make_unique<RemoveOutOfBounds>();
}

CString RemoveOutOfBounds::GetClassName()
{
    return "constraint.RemoveOutOfBounds";
}

unsigned char RemoveOutOfBounds::apply(ParticleCollection* particles)
{
    if (!ParticleRuleRun::applyAlone(this, particles))
        RemoveParticlesWhere(particles, [this](IGlintmote* p) { return shouldRemove(p) != 0; });
    return 1;
}

unsigned char RemoveOutOfBounds::setParametersFromString(CString params)
{
    StringParameters sp;
    group_ = sp.getIntParameter(params, "Group", group_);
    currentOnly_ = sp.getBooleanParameter(params, "CurrentOnly", currentOnly_);
    bounds_.left = sp.getIntParameter(params, "Left", bounds_.left);
    bounds_.right = sp.getIntParameter(params, "Right", bounds_.right);
    bounds_.top = sp.getIntParameter(params, "Top", bounds_.top);
    bounds_.bottom = sp.getIntParameter(params, "Bottom", bounds_.bottom);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString RemoveOutOfBounds::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Group", group_) + sp.toString("CurrentOnly", currentOnly_) + sp.toString("Left", bounds_.left)
        + sp.toString("Right", bounds_.right) + sp.toString("Top", bounds_.top) + sp.toString("Bottom", bounds_.bottom)
        + sp.toString("Resource Only", resourceOnly);
}

unsigned char RemoveOutOfBounds::draw(CDC*, CSize)
{
    return 0;
}

CRect RemoveOutOfBounds::getBounds()
{
    return bounds_;
}

unsigned char RemoveOutOfBounds::setBounds(CRect bounds)
{
    bounds_ = bounds;
    return 1;
}

void RemoveOutOfBounds::setCurrentOnly()
{
    currentOnly_ = 1;
}

void RemoveOutOfBounds::clearCurrentOnly()
{
    currentOnly_ = 0;
}

unsigned char RemoveOutOfBounds::isCurrentOnly()
{
    return currentOnly_;
}

int RemoveOutOfBounds::isUsingPrevious()
{
    return currentOnly_ ? 0 : 1;
}

unsigned char RemoveOutOfBounds::shouldRemove(IGlintmote* particle)
{
    return test().condemns(VirtualParticle(particle)) ? 1 : 0;
}

void RemoveOutOfBounds::runBlock(const IConstraint& rule, RuleBlock block)
{
    const Test test = static_cast<const RemoveOutOfBounds&>(rule).test();
    bool* const gone = block.gone;
    block.each([&](std::size_t k, DirectParticle p) { gone[k] = test.condemns(p); });
}
