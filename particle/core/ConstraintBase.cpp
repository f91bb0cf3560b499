#include "particle/core/ConstraintBase.h"

#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"

CString ConstraintBase::GetClassName()
{
    return "zrk.constraint.ConstraintBase";
}

unsigned char ConstraintBase::apply(ParticleSystem* system)
{
    if (!system)
        return 0;
    return apply(&system->particles);
}

unsigned char ConstraintBase::apply(ParticleCollection* particles)
{
    const int count = particles->getParticleCount();
    for (int i = 0; i < count; ++i) {
        IGlintmote* p = particles->particleAt(i);
        if (!p)
            continue;
        if (group == -1 || p->getGroup() == group)
            apply(p);
    }
    return 1;
}

unsigned char ConstraintBase::apply(IGlintmote*)
{
    return 0;
}

unsigned char ConstraintBase::setParametersFromString(CString params)
{
    StringParameters sp;
    group = sp.getIntParameter(params, "Group", group);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString ConstraintBase::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Group", group) + sp.toString("Resource Only", resourceOnly);
}

unsigned char ConstraintBase::draw(CDC*, CSize)
{
    return 0;
}
