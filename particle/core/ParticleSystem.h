#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/ConstraintCollection.h"
#include "particle/core/ParticleCollection.h"
#include "platform/Geometry.h"

#include <memory>

class IImageProvider;

// The simulation: the particles, the constraints that act on them in order, the prototype of new
// particles and the part factory that the host fires at a point. It does not own the picture store.
class PARTICLE_EXPORT ParticleSystem : public CObject {
public:
    ParticleSystem();
    explicit ParticleSystem(IGlintmote* particlePrototype);
    explicit ParticleSystem(IConstraint* partFactory);
    explicit ParticleSystem(CString particleClassId);
    ~ParticleSystem() override;

    // By identifier: 0 and the prototype kept when the registry does not know the class.
    virtual unsigned char setNewParticleClass(CString classId);
    // By example: a fresh default object of the argument's class; the argument is neither adopted nor
    // copied, so passing the current prototype is safe. 0 for null.
    virtual unsigned char setNewParticleClass(IGlintmote* prototype);
    virtual unsigned char setPartFactoryClass(CString classId);
    virtual unsigned char setPartFactoryClass(IConstraint* prototype);
    // Still owned by the system.
    virtual IConstraint* getPartFactoryClass();
    virtual int getParticleLimit();
    virtual void setParticleLimit(int limit);
    virtual void draw(CDC* dc);
    // Applies the constraints in order, then moves and ages every particle.
    virtual void step();
    // Adds up to count particles at the point, each with a random velocity within the initial bounds
    // and a random hue (draws in that order: x velocity, y velocity, hue).
    virtual void createParticles(int count, CPoint point, float hueMin, float hueMax, float saturation, float value);
    // Re-parameterises the part factory with the text, then applies it to this system.
    virtual void applyPartFactory(CString params);
    virtual IImageProvider* GetImageProvider();
    virtual void SetImageProvider(IImageProvider* provider);
    virtual float getInitialDxMin();
    virtual float getInitialDxMax();
    virtual float getInitialDyMin();
    virtual float getInitialDyMax();
    virtual void setInitialDxMin(float value);
    virtual void setInitialDxMax(float value);
    virtual void setInitialDyMin(float value);
    virtual void setInitialDyMax(float value);

    ParticleCollection particles;
    ConstraintCollection constraints;

private:
    std::unique_ptr<IGlintmote> newParticleClass_;
    std::unique_ptr<IConstraint> partFactoryClass_;
    float initialDxMin_ = -6.0f;
    float initialDxMax_ = 6.0f;
    float initialDyMin_ = -6.0f;
    float initialDyMax_ = 6.0f;
    int particleLimit_ = -1;
    IImageProvider* imageProvider_ = nullptr;
};
