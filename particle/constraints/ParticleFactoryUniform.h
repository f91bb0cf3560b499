#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/ParticleFactory.h"

// A fan of particles at one point, each with a direction and speed (0 degrees points right, 90 up on
// screen) and an HSV colour, either drawn at random within their ranges or spread evenly over the batch.
class PARTICLE_EXPORT ParticleFactoryUniform : public ParticleFactory {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

    // Randomized, draws per particle in this order: angle, speed, hue, saturation, value. Spread
    // evenly, the first particle takes the maxima and the minima are approached but never reached.
    void emitParticles(ParticleCollection* particles) override;

private:
    float minAngle_ = 0.0f;
    float maxAngle_ = 360.0f;
    float minForce_ = 0.0f;
    float maxForce_ = 6.0f;
    float hueMin_ = 0.0f;
    float hueMax_ = 1.0f;
    float saturationMin_ = 0.5f;
    float saturationMax_ = 1.0f;
    float brightnessMin_ = 0.5f;
    float brightnessMax_ = 1.0f;
    unsigned char randomize_ = 1;
};
