#include "particle/constraints/ParticleFactory.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"

ParticleFactory::ParticleFactory()
    : prototype_(std::make_unique<ParticleBase>())
{
}

ParticleFactory::~ParticleFactory() = default;

unsigned char ParticleFactory::apply(ParticleCollection* particles)
{
    emitParticles(particles);
    return 1;
}

unsigned char ParticleFactory::setParticleClass(CString classId)
{
    if (std::unique_ptr<IGlintmote> made = ClassRegistry().createParticle(classId)) {
        prototype_ = std::move(made);
        particleClass_ = classId;
    }
    return 1;
}

unsigned char ParticleFactory::setParticlePrototype(IGlintmote* example)
{
    if (!example)
        return 0;
    if (std::unique_ptr<IGlintmote> made = example->Create())
        prototype_ = std::move(made);
    return 1;
}

ParticleCollection::Newborn ParticleFactory::newParticle(ParticleCollection* particles)
{
    const int count = particles->getParticleCount();
    if (!prototype_ || (limit_ != -1 && count >= limit_) || count >= ParticleCollection::kMaxParticles)
        return {};
    ParticleCollection::Newborn newborn = particles->makeLike(*prototype_);
    IGlintmote* p = newborn.particle;
    if (!p)
        return newborn;
    p->setGroup(group_);
    p->setLocationX(center_.x);
    p->setPreviousLocationX(center_.x);
    p->setLocationY(center_.y);
    p->setPreviousLocationY(center_.y);
    return newborn;
}

void ParticleFactory::readPlacement(StringParameters& sp, const CString& params)
{
    group_ = sp.getIntParameter(params, "Group", group_);
    center_.x = sp.getFloatParameter(params, "CenterX", center_.x);
    center_.y = sp.getFloatParameter(params, "CenterY", center_.y);
}

CString ParticleFactory::writePlacement(StringParameters& sp)
{
    return sp.toString("Group", group_) + sp.toString("CenterX", center_.x) + sp.toString("CenterY", center_.y);
}

void ParticleFactory::readBatch(StringParameters& sp, const CString& params)
{
    amount_ = sp.getIntParameter(params, "Amount", amount_);
    limit_ = sp.getIntParameter(params, "Limit", limit_);
}

CString ParticleFactory::writeBatch(StringParameters& sp)
{
    return sp.toString("Amount", amount_) + sp.toString("Limit", limit_);
}

void ParticleFactory::readParticleClass(StringParameters& sp, const CString& params)
{
    CString name = sp.getStringParameter(params, "ParticleClass", CString());
    if (!name.IsEmpty())
        setParticleClass(name);
}

CString ParticleFactory::writeParticleClass(StringParameters& sp)
{
    return sp.toString("ParticleClass", particleClass_);
}
