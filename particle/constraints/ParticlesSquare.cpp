#include "particle/constraints/ParticlesSquare.h"

#include "particle/core/JGeometryUtilities.h"
#include "particle/core/ParticleCollection.h"
#include "particle/core/StringParameters.h"
#include "platform/CDC.h"
#include "platform/Numbers.h"

std::unique_ptr<IConstraint> ParticlesSquare::Create()
{
    return std::make_unique<ParticlesSquare>();
}

CString ParticlesSquare::GetClassName()
{
    return "factory.ParticlesSquare";
}

unsigned char ParticlesSquare::setParametersFromString(CString params)
{
    StringParameters sp;
    readPlacement(sp, params);
    minDx_ = sp.getFloatParameter(params, "MinDx", minDx_);
    maxDx_ = sp.getFloatParameter(params, "MaxDx", maxDx_);
    minDy_ = sp.getFloatParameter(params, "MinDy", minDy_);
    maxDy_ = sp.getFloatParameter(params, "MaxDy", maxDy_);
    readBatch(sp, params);
    hueMin_ = sp.getFloatParameter(params, "HueMin", hueMin_);
    hueMax_ = sp.getFloatParameter(params, "HueMax", hueMax_);
    saturation_ = sp.getFloatParameter(params, "Saturation", saturation_);
    brightness_ = sp.getFloatParameter(params, "Brightness", brightness_);
    readParticleClass(sp, params);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString ParticlesSquare::getParameterExample()
{
    StringParameters sp;
    return writePlacement(sp) + sp.toString("MinDx", minDx_) + sp.toString("MaxDx", maxDx_)
        + sp.toString("MinDy", minDy_) + sp.toString("MaxDy", maxDy_) + writeBatch(sp) + sp.toString("HueMin", hueMin_)
        + sp.toString("HueMax", hueMax_) + sp.toString("Saturation", saturation_)
        + sp.toString("Brightness", brightness_) + writeParticleClass(sp) + sp.toString("Resource Only", resourceOnly);
}

unsigned char ParticlesSquare::draw(CDC* dc, CSize)
{
    JGeometryUtilities geometry;
    const COLORREF color = geometry.HSVtoRGB(hueMin_ * 360.0f, saturation_, brightness_);
    const CRect area(platform::TruncToInt(center_.x + minDx_), platform::TruncToInt(center_.y + minDy_),
        platform::TruncToInt(center_.x + maxDx_), platform::TruncToInt(center_.y + maxDy_));
    dc->FillSolidRect(area, color);
    return 1;
}

void ParticlesSquare::emitParticles(ParticleCollection* particles)
{
    JGeometryUtilities geometry;
    for (int i = 0; i < amount_; ++i) {
        ParticleCollection::Newborn newborn = newParticle(particles);
        IGlintmote* p = newborn.particle;
        if (!p)
            return;
        p->setDeltaX(geometry.GetRandomFloat(minDx_, maxDx_));
        p->setDeltaY(geometry.GetRandomFloat(minDy_, maxDy_));
        const float hue = geometry.GetRandomFloat(hueMin_, hueMax_) * 360.0f;
        p->setColor(geometry.HSVtoRGB(hue, saturation_, brightness_));
        particles->adopt(newborn);
    }
}

int ParticlesSquare::getLimit()
{
    return limit_;
}

void ParticlesSquare::setLimit(int limit)
{
    limit_ = limit;
}

int ParticlesSquare::getGroup()
{
    return group_;
}

void ParticlesSquare::setGroup(int group)
{
    group_ = group;
}
