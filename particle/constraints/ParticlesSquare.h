#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/ParticleFactory.h"

// A burst of particles at one point, each with a velocity drawn from a rectangle of velocities and a
// random hue. The particle system's default part factory, the one that follows the mouse.
class PARTICLE_EXPORT ParticlesSquare : public ParticleFactory {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    // Fills the rectangle where new particles can be after their first step.
    unsigned char draw(CDC* dc, CSize size) override;

    // Draws per particle, in this order: x velocity, y velocity, hue.
    void emitParticles(ParticleCollection* particles) override;
    virtual int getLimit();
    virtual void setLimit(int limit);
    virtual int getGroup();
    virtual void setGroup(int group);

private:
    float minDx_ = -6.0f;
    float maxDx_ = 6.0f;
    float minDy_ = -6.0f;
    float maxDy_ = 6.0f;
    float hueMin_ = 0.0f;
    float hueMax_ = 1.0f;
    float saturation_ = 1.0f;
    float brightness_ = 0.5f;
};
