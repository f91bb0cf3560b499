#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/CollectionConstraint.h"
#include "particle/core/ParticleCollection.h"
#include "particle/core/Point3D.h"

#include <memory>

class StringParameters;

// What the two particle factories share: a batch of Amount particles per application, made from a
// particle prototype, placed at the emission point and given the factory's group, until the target
// holds Limit particles (-1: no limit) or the hard cap. In a factory Group is not a selection: it is
// the group every new particle gets.
class PARTICLE_EXPORT ParticleFactory : public CollectionConstraint {
public:
    using CollectionConstraint::apply;
    // Emits one batch into the collection; 1.
    unsigned char apply(ParticleCollection* particles) override;

    virtual void emitParticles(ParticleCollection* particles) = 0;
    // By class identifier: an identifier the registry does not hold leaves the prototype and its stored
    // name as they were. Always 1.
    virtual unsigned char setParticleClass(CString classId);
    // A fresh default object of the example's class becomes the prototype; the example is neither
    // adopted nor copied. 0 for null.
    virtual unsigned char setParticlePrototype(IGlintmote* example);

protected:
    ParticleFactory();
    ~ParticleFactory() override;

    // The next particle of a batch, placed at the emission point with the factory's group, to be handed
    // to the collection's adopt() once its other fields are set; no particle once the collection is full
    // (nothing leaves it during a batch, so the batch can stop there).
    ParticleCollection::Newborn newParticle(ParticleCollection* particles);
    // Tags shared by both factories, read and written where each factory's order puts them.
    void readPlacement(StringParameters& sp, const CString& params);
    CString writePlacement(StringParameters& sp);
    void readBatch(StringParameters& sp, const CString& params);
    CString writeBatch(StringParameters& sp);
    // "ParticleClass": a non-empty value sets the prototype by class identifier.
    void readParticleClass(StringParameters& sp, const CString& params);
    CString writeParticleClass(StringParameters& sp);

    int group_ = 0;
    Point3D center_ { 320.0f, 240.0f, 0.0f };
    int amount_ = 1;
    int limit_ = -1;

private:
    std::unique_ptr<IGlintmote> prototype_;
    CString particleClass_;
};
