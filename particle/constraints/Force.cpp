#include "particle/constraints/Force.h"

#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleRuleRun.h"
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
    push(VirtualParticle(particle));
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
