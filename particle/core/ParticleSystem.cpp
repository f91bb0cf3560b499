#include "particle/core/ParticleSystem.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/JGeometryUtilities.h"
#include "particle/core/ParticleBase.h"

ParticleSystem::ParticleSystem()
    : newParticleClass_(std::make_unique<ParticleBase>())
    , partFactoryClass_(ClassRegistry().createConstraint("factory.ParticlesSquare"))
{
}

ParticleSystem::ParticleSystem(IGlintmote* particlePrototype)
    : ParticleSystem()
{
    setNewParticleClass(particlePrototype);
}

ParticleSystem::ParticleSystem(IConstraint* partFactory)
    : ParticleSystem()
{
    setPartFactoryClass(partFactory);
}

ParticleSystem::ParticleSystem(CString particleClassId)
    : ParticleSystem()
{
    setNewParticleClass(particleClassId);
}

ParticleSystem::~ParticleSystem()
{
    // Prototypes first, then the constraints, then the particles.
    newParticleClass_.reset();
    partFactoryClass_.reset();
    constraints.removeAllConstraints();
    particles.removeAllParticles();
}

unsigned char ParticleSystem::setNewParticleClass(CString classId)
{
    std::unique_ptr<IGlintmote> made = ClassRegistry().createParticle(classId);
    if (!made)
        return 0;
    newParticleClass_ = std::move(made);
    return 1;
}

unsigned char ParticleSystem::setNewParticleClass(IGlintmote* prototype)
{
    if (!prototype)
        return 0;
    std::unique_ptr<IGlintmote> made = prototype->Create();
    if (!made)
        return 0;
    newParticleClass_ = std::move(made);
    return 1;
}

unsigned char ParticleSystem::setPartFactoryClass(CString classId)
{
    std::unique_ptr<IConstraint> made = ClassRegistry().createConstraint(classId);
    if (!made)
        return 0;
    partFactoryClass_ = std::move(made);
    return 1;
}

unsigned char ParticleSystem::setPartFactoryClass(IConstraint* prototype)
{
    if (!prototype)
        return 0;
    std::unique_ptr<IConstraint> made = prototype->Create();
    if (!made)
        return 0;
    partFactoryClass_ = std::move(made);
    return 1;
}

IConstraint* ParticleSystem::getPartFactoryClass()
{
    return partFactoryClass_.get();
}

int ParticleSystem::getParticleLimit()
{
    return particleLimit_;
}

void ParticleSystem::setParticleLimit(int limit)
{
    particleLimit_ = limit;
}

void ParticleSystem::draw(CDC* dc)
{
    if (particles.holdsOnlyParticleBase()) {
        const std::size_t count = particles.size();
        for (std::size_t i = 0; i < count; ++i)
            particles.particleBaseAt(i)->ParticleBase::draw(dc);
        return;
    }
    const int count = particles.getParticleCount();
    for (int i = 0; i < count; ++i) {
        if (IGlintmote* p = particles.getParticle(i))
            p->draw(dc);
    }
}

void ParticleSystem::step()
{
    constraints.applyAndStep(this);
}

void ParticleSystem::createParticles(int count, CPoint point, float hueMin, float hueMax, float saturation, float value)
{
    if (!newParticleClass_)
        return;
    JGeometryUtilities geometry;
    for (int i = 0; i < count; ++i) {
        const int present = particles.getParticleCount();
        if ((particleLimit_ != -1 && present >= particleLimit_) || present >= ParticleCollection::kMaxParticles)
            break;
        ParticleCollection::Newborn newborn = particles.makeLike(*newParticleClass_);
        IGlintmote* p = newborn.particle;
        if (!p)
            break;
        const float x = static_cast<float>(point.x);
        const float y = static_cast<float>(point.y);
        p->setLocationX(x);
        p->setPreviousLocationX(x);
        p->setLocationY(y);
        p->setPreviousLocationY(y);
        p->setDeltaX(geometry.GetRandomFloat(initialDxMin_, initialDxMax_));
        p->setDeltaY(geometry.GetRandomFloat(initialDyMin_, initialDyMax_));
        const float hue = geometry.GetRandomFloat(hueMin, hueMax) * 360.0f;
        p->setColor(geometry.HSVtoRGB(hue, saturation, value));
        particles.adopt(newborn);
    }
}

void ParticleSystem::applyPartFactory(CString params)
{
    if (!partFactoryClass_)
        return;
    partFactoryClass_->setParametersFromString(params);
    partFactoryClass_->apply(this);
}

IImageProvider* ParticleSystem::GetImageProvider()
{
    return imageProvider_;
}

void ParticleSystem::SetImageProvider(IImageProvider* provider)
{
    imageProvider_ = provider;
}

float ParticleSystem::getInitialDxMin()
{
    return initialDxMin_;
}
float ParticleSystem::getInitialDxMax()
{
    return initialDxMax_;
}
float ParticleSystem::getInitialDyMin()
{
    return initialDyMin_;
}
float ParticleSystem::getInitialDyMax()
{
    return initialDyMax_;
}
void ParticleSystem::setInitialDxMin(float v)
{
    initialDxMin_ = v;
}
void ParticleSystem::setInitialDxMax(float v)
{
    initialDxMax_ = v;
}
void ParticleSystem::setInitialDyMin(float v)
{
    initialDyMin_ = v;
}
void ParticleSystem::setInitialDyMax(float v)
{
    initialDyMax_ = v;
}
