#include "particle/constraints/Force.h"

#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleRuleRun.h"
#include "particle/core/RuleKernel.h"
#include "particle/core/StringParameters.h"

std::unique_ptr<IConstraint> Force::Create()
{
    return std::make_unique<Force>();
}

CString Force::GetClassName()
{
    return "constraint.Force";
}

unsigned char Force::apply(ParticleCollection* particles)
{
    if (ParticleRuleRun::applyAlone(this, particles))
        return 1;
    return ConstraintBase::apply(particles);
}

unsigned char Force::apply(IGlintmote* particle)
{
    push(deltaX_, deltaY_, VirtualParticle(particle));
    return 1;
}

unsigned char Force::setParametersFromString(CString params)
{
    ConstraintBase::setParametersFromString(params);
    StringParameters sp;
    deltaX_ = sp.getFloatParameter(params, "DeltaX", deltaX_);
    deltaY_ = sp.getFloatParameter(params, "DeltaY", deltaY_);
    return 1;
}

CString Force::getParameterExample()
{
    StringParameters sp;
    return ConstraintBase::getParameterExample() + sp.toString("DeltaX", deltaX_) + sp.toString("DeltaY", deltaY_);
}

unsigned char Force::draw(CDC*, CSize)
{
    return 1;
}

unsigned char Force::setDelta(float dx, float dy)
{
    deltaX_ = dx;
    deltaY_ = dy;
    return 1;
}

float Force::getDeltaX()
{
    return deltaX_;
}

float Force::getDeltaY()
{
    return deltaY_;
}

void Force::runBlock(const IConstraint& rule, RuleBlock block)
{
    const auto& force = static_cast<const Force&>(rule);
    const int group = force.group;
    const float deltaX = force.deltaX_;
    const float deltaY = force.deltaY_;
    block.each([&](std::size_t, DirectParticle p) {
        if (group == -1 || p.group() == group)
            push(deltaX, deltaY, p);
    });
}
