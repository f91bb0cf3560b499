#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/IConstraint.h"
#include "particle/core/IGlintmote.h"

#include <memory>
#include <vector>

// One creatable class: its identifier and a prototype whose Create() makes new objects.
class PARTICLE_EXPORT ClassRegistryEntry : public CObject {
public:
    ClassRegistryEntry(CString id, std::unique_ptr<IGlintmote> particle, std::unique_ptr<IConstraint> constraint);

    CString classId;
    std::unique_ptr<IGlintmote> particlePrototype;
    std::unique_ptr<IConstraint> constraintPrototype;
};

// The library's list of creatable particle and constraint classes, in registration order. A registry is
// short-lived: build one, ask, let it go. Lookups compare identifiers exactly, case-sensitively.
class PARTICLE_EXPORT ClassRegistry {
public:
    ClassRegistry();
    virtual ~ClassRegistry();

    // New objects owned by the caller, or null for an identifier that is not registered (as that kind).
    virtual std::unique_ptr<CObject> createObject(CString classId);
    virtual std::unique_ptr<IGlintmote> createParticle(CString classId);
    virtual std::unique_ptr<IConstraint> createConstraint(CString classId);
    virtual int particleClassCount();
    // Empty for an index out of range.
    virtual CString particleClassName(int index);
    virtual int constraintClassCount();
    virtual CString constraintClassName(int index);
    virtual unsigned char removeAllEntries();
    virtual unsigned char registerClasses();

private:
    std::vector<std::unique_ptr<ClassRegistryEntry>> entries_;
};
