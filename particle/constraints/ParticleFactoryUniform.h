#pragma once

#include "particle/constraints/ParticlePrototype.h"
#include "particle/core/IConstraint.h"
#include "particle/core/Point3D.h"

// A fan of particles at one point, each with a direction and speed (0 degrees points right, 90 up on
// screen) and an HSV colour, either drawn at random within their ranges or spread evenly over the batch.
class ParticleFactoryUniform : public IConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char apply(ParticleSystem* system) override;
    unsigned char apply(ParticleCollection* particles) override;
    unsigned char apply(IGlintmote* particle) override;
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

    virtual void emitParticles(ParticleCollection* particles);
    virtual unsigned char setParticleClass(CString classId);
    virtual unsigned char setParticlePrototype(IGlintmote* example);

private:
    int group_ = 0;
    Point3D center_ { 320.0f, 240.0f, 0.0f };
    float minAngle_ = 0.0f;
    float maxAngle_ = 360.0f;
    float minForce_ = 0.0f;
    float maxForce_ = 6.0f;
    int amount_ = 1;
    float hueMin_ = 0.0f;
    float hueMax_ = 1.0f;
    float saturationMin_ = 0.5f;
    float saturationMax_ = 1.0f;
    float brightnessMin_ = 0.5f;
    float brightnessMax_ = 1.0f;
    int limit_ = -1;
    unsigned char randomize_ = 1;
    ParticlePrototype prototype_;
};
