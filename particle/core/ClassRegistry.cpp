#include "particle/core/ClassRegistry.h"

#include "particle/constraints/AddedClasses.h"
#include "particle/constraints/Cameleon.h"
#include "particle/constraints/Force.h"
#include "particle/constraints/ImageClear.h"
#include "particle/constraints/ImageDeltaParticleFactory.h"
#include "particle/constraints/ImageLoad.h"
#include "particle/constraints/OmniForce.h"
#include "particle/constraints/ParticleFactoryUniform.h"
#include "particle/constraints/ParticlesSquare.h"
#include "particle/constraints/RemoveAged.h"
#include "particle/constraints/RemoveOutOfBounds.h"
#include "particle/constraints/RenderSimple.h"
#include "particle/constraints/VortexForce.h"
#include "particle/core/ConstraintCollection.h"
#include "particle/core/ParticleBase.h"

ClassRegistryEntry::ClassRegistryEntry(
    CString id, std::unique_ptr<IGlintmote> particle, std::unique_ptr<IConstraint> constraint)
    : classId(std::move(id))
    , particlePrototype(std::move(particle))
    , constraintPrototype(std::move(constraint))
{
}

ClassRegistry::ClassRegistry()
{
    registerClasses();
}

ClassRegistry::~ClassRegistry()
{
    removeAllEntries();
}

unsigned char ClassRegistry::registerClasses()
{
    auto particle = [this](std::unique_ptr<IGlintmote> p) {
        CString id = p->GetClassName();
        entries_.push_back(std::make_unique<ClassRegistryEntry>(id, std::move(p), nullptr));
    };
    auto constraint = [this](std::unique_ptr<IConstraint> c) {
        CString id = c->GetClassName();
        entries_.push_back(std::make_unique<ClassRegistryEntry>(id, nullptr, std::move(c)));
    };
    // The order is part of the interface: class listings index into it.
    particle(std::make_unique<ParticleBase>());
    constraint(std::make_unique<RemoveOutOfBounds>());
    constraint(std::make_unique<Force>());
    constraint(std::make_unique<OmniForce>());
    constraint(std::make_unique<RemoveAged>());
    constraint(std::make_unique<ParticlesSquare>());
    constraint(std::make_unique<Cameleon>());
    constraint(std::make_unique<RenderSimple>());
    constraint(std::make_unique<ImageClear>());
    constraint(std::make_unique<ConstraintCollection>());
    constraint(std::make_unique<ParticleFactoryUniform>());
    constraint(std::make_unique<ImageLoad>());
    constraint(std::make_unique<ImageDeltaParticleFactory>());
    constraint(std::make_unique<VortexForce>());
    for (std::unique_ptr<IConstraint>& c : AddedConstraintPrototypes())
        constraint(std::move(c));
    return 1;
}

unsigned char ClassRegistry::removeAllEntries()
{
    entries_.clear();
    return 1;
}

std::unique_ptr<CObject> ClassRegistry::createObject(CString classId)
{
    for (const std::unique_ptr<ClassRegistryEntry>& e : entries_) {
        if (e->classId != classId)
            continue;
        if (e->particlePrototype)
            return e->particlePrototype->Create();
        if (e->constraintPrototype)
            return e->constraintPrototype->Create();
    }
    return nullptr;
}

std::unique_ptr<IGlintmote> ClassRegistry::createParticle(CString classId)
{
    for (const std::unique_ptr<ClassRegistryEntry>& e : entries_) {
        if (e->particlePrototype && e->classId == classId)
            return e->particlePrototype->Create();
    }
    return nullptr;
}

std::unique_ptr<IConstraint> ClassRegistry::createConstraint(CString classId)
{
    for (const std::unique_ptr<ClassRegistryEntry>& e : entries_) {
        if (e->constraintPrototype && e->classId == classId)
            return e->constraintPrototype->Create();
    }
    return nullptr;
}

int ClassRegistry::particleClassCount()
{
    int n = 0;
    for (const std::unique_ptr<ClassRegistryEntry>& e : entries_)
        n += e->particlePrototype ? 1 : 0;
    return n;
}

CString ClassRegistry::particleClassName(int index)
{
    for (const std::unique_ptr<ClassRegistryEntry>& e : entries_) {
        if (e->particlePrototype && index-- == 0)
            return e->classId;
    }
    return CString();
}

int ClassRegistry::constraintClassCount()
{
    int n = 0;
    for (const std::unique_ptr<ClassRegistryEntry>& e : entries_)
        n += e->constraintPrototype ? 1 : 0;
    return n;
}

CString ClassRegistry::constraintClassName(int index)
{
    for (const std::unique_ptr<ClassRegistryEntry>& e : entries_) {
        if (e->constraintPrototype && index-- == 0)
            return e->classId;
    }
    return CString();
}
