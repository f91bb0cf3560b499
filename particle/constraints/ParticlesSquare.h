#pragma once

#include "particle/constraints/ParticlePrototype.h"
#include "particle/core/IConstraint.h"
#include "particle/core/Point3D.h"

// A burst of particles at one point, each with a velocity drawn from a rectangle of velocities and a
// random hue. The particle system's default part factory, the one that follows the mouse.
class ParticlesSquare : public IConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char apply(ParticleSystem* system) override;
    unsigned char apply(ParticleCollection* particles) override;
    unsigned char apply(IGlintmote* particle) override;
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    // Fills the rectangle where new particles can be after their first step.
    unsigned char draw(CDC* dc, CSize size) override;

    virtual void emitParticles(ParticleCollection* particles);
    virtual unsigned char setParticleClass(CString classId);
    virtual unsigned char setParticlePrototype(IGlintmote* example);
    virtual int getLimit();
    virtual void setLimit(int limit);
    virtual int getGroup();
    virtual void setGroup(int group);

private:
    int group_ = 0;
    Point3D center_ { 320.0f, 240.0f, 0.0f };
    float minDx_ = -6.0f;
    float maxDx_ = 6.0f;
    float minDy_ = -6.0f;
    float maxDy_ = 6.0f;
    int amount_ = 1;
    float hueMin_ = 0.0f;
    float hueMax_ = 1.0f;
    float saturation_ = 1.0f;
    float brightness_ = 0.5f;
    int limit_ = -1;
    ParticlePrototype prototype_;
};
