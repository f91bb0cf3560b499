#include "particle/constraints/ParticleFactoryUniform.h"

#include "particle/core/JGeometryUtilities.h"
#include "particle/core/ParticleCollection.h"
#include "particle/core/StringParameters.h"

namespace {
// 3.1415926535 / 180, as the float the angles are multiplied by.
constexpr double kDegreesToRadians = 0.017453292519444445;
} // namespace

std::unique_ptr<IConstraint> ParticleFactoryUniform::Create()
{
    return std::make_unique<ParticleFactoryUniform>();
}

CString ParticleFactoryUniform::GetClassName()
{
    return "factory.ParticleFactoryUniform";
}

unsigned char ParticleFactoryUniform::setParametersFromString(CString params)
{
    StringParameters sp;
    readPlacement(sp, params);
    minAngle_ = sp.getFloatParameter(params, "MinAngle", minAngle_);
    maxAngle_ = sp.getFloatParameter(params, "MaxAngle", maxAngle_);
    minForce_ = sp.getFloatParameter(params, "MinForce", minForce_);
    maxForce_ = sp.getFloatParameter(params, "MaxForce", maxForce_);
    readBatch(sp, params);
    hueMin_ = sp.getFloatParameter(params, "HueMin", hueMin_);
    hueMax_ = sp.getFloatParameter(params, "HueMax", hueMax_);
    saturationMin_ = sp.getFloatParameter(params, "SaturationMin", saturationMin_);
    saturationMax_ = sp.getFloatParameter(params, "SaturationMax", saturationMax_);
    brightnessMin_ = sp.getFloatParameter(params, "BrightnessMin", brightnessMin_);
    brightnessMax_ = sp.getFloatParameter(params, "BrightnessMax", brightnessMax_);
    readParticleClass(sp, params);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    randomize_ = sp.getBooleanParameter(params, "Randomize", randomize_);
    return 1;
}

CString ParticleFactoryUniform::getParameterExample()
{
    StringParameters sp;
    return writePlacement(sp) + sp.toString("MinAngle", minAngle_) + sp.toString("MaxAngle", maxAngle_)
        + sp.toString("MinForce", minForce_) + sp.toString("MaxForce", maxForce_) + writeBatch(sp)
        + sp.toString("HueMin", hueMin_) + sp.toString("HueMax", hueMax_) + sp.toString("SaturationMin", saturationMin_)
        + sp.toString("SaturationMax", saturationMax_) + sp.toString("BrightnessMin", brightnessMin_)
        + sp.toString("BrightnessMax", brightnessMax_) + writeParticleClass(sp)
        + sp.toString("Resource Only", resourceOnly) + sp.toString("Randomize", randomize_);
}

unsigned char ParticleFactoryUniform::draw(CDC*, CSize)
{
    return 1;
}

void ParticleFactoryUniform::emitParticles(ParticleCollection* particles)
{
    JGeometryUtilities geometry;
    for (int i = 0; i < amount_; ++i) {
        ParticleCollection::Newborn newborn = newParticle(particles);
        IGlintmote* p = newborn.particle;
        if (!p)
            return;
        const float aMin = static_cast<float>(minAngle_ * kDegreesToRadians);
        const float aMax = static_cast<float>(maxAngle_ * kDegreesToRadians);
        float angle;
        float speed;
        if (randomize_) {
            angle = geometry.GetRandomFloat(aMin, aMax);
            speed = geometry.GetRandomFloat(minForce_, maxForce_);
        } else {
            angle = geometry.InterpolateFloatLinear(aMin, aMax, 0, amount_, i);
            speed = geometry.InterpolateFloatLinear(minForce_, maxForce_, 0, amount_, i);
        }
        // Negated, so that angles turn anticlockwise on a screen whose y grows downwards.
        p->setDeltaX(geometry.GetDeltaXOfVector(-angle, speed));
        p->setDeltaY(geometry.GetDeltaYOfVector(-angle, speed));

        float hue;
        float saturation;
        float value;
        if (randomize_) {
            hue = geometry.GetRandomFloat(hueMin_, hueMax_) * 360.0f;
            saturation = geometry.GetRandomFloat(saturationMin_, saturationMax_);
            value = geometry.GetRandomFloat(brightnessMin_, brightnessMax_);
        } else {
            hue = geometry.InterpolateFloatLinear(hueMin_, hueMax_, 0, amount_, i) * 360.0f;
            saturation = geometry.InterpolateFloatLinear(saturationMin_, saturationMax_, 0, amount_, i);
            value = geometry.InterpolateFloatLinear(brightnessMin_, brightnessMax_, 0, amount_, i);
        }
        p->setColor(geometry.HSVtoRGB(hue, saturation, value));
        particles->adopt(newborn);
    }
}
