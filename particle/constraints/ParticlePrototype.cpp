#include "particle/constraints/ParticlePrototype.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/StringParameters.h"

ParticlePrototype::ParticlePrototype()
    : prototype_(std::make_unique<ParticleBase>())
{
}

void ParticlePrototype::setClass(CString classId)
{
    std::unique_ptr<IGlintmote> made = ClassRegistry().createParticle(classId);
    if (!made)
        return;
    prototype_ = std::move(made);
    className_ = classId;
}

unsigned char ParticlePrototype::setFrom(IGlintmote* example)
{
    if (!example)
        return 0;
    if (std::unique_ptr<IGlintmote> made = example->Create())
        prototype_ = std::move(made);
    return 1;
}

void ParticlePrototype::readClass(const CString& params)
{
    CString name = StringParameters().getStringParameter(params, "ParticleClass", CString());
    if (!name.IsEmpty())
        setClass(name);
}

std::unique_ptr<IGlintmote> ParticlePrototype::create() const
{
    return prototype_ ? prototype_->Create() : nullptr;
}
