#include "particle/core/ClassRegistry.h"

#include "particle/core/ConstraintClasses.h"
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
    for (std::unique_ptr<IConstraint>& c : LibraryConstraintPrototypes())
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
