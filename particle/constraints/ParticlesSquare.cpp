#include "particle/constraints/ParticlesSquare.h"

#include "particle/core/JGeometryUtilities.h"
#include "particle/core/ParticleSystem.h"
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

unsigned char ParticlesSquare::apply(ParticleSystem* system)
{
    if (!system)
        return 0;
    return apply(&system->particles);
}

unsigned char ParticlesSquare::apply(ParticleCollection* particles)
{
    emitParticles(particles);
    return 1;
}

unsigned char ParticlesSquare::apply(IGlintmote*)
{
    return 0;
}

unsigned char ParticlesSquare::setParametersFromString(CString params)
{
    StringParameters sp;
    group_ = sp.getIntParameter(params, "Group", group_);
    center_.x = sp.getFloatParameter(params, "CenterX", center_.x);
    center_.y = sp.getFloatParameter(params, "CenterY", center_.y);
    minDx_ = sp.getFloatParameter(params, "MinDx", minDx_);
    maxDx_ = sp.getFloatParameter(params, "MaxDx", maxDx_);
    minDy_ = sp.getFloatParameter(params, "MinDy", minDy_);
    maxDy_ = sp.getFloatParameter(params, "MaxDy", maxDy_);
    amount_ = sp.getIntParameter(params, "Amount", amount_);
    limit_ = sp.getIntParameter(params, "Limit", limit_);
    hueMin_ = sp.getFloatParameter(params, "HueMin", hueMin_);
    hueMax_ = sp.getFloatParameter(params, "HueMax", hueMax_);
    saturation_ = sp.getFloatParameter(params, "Saturation", saturation_);
    brightness_ = sp.getFloatParameter(params, "Brightness", brightness_);
    prototype_.readClass(params);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString ParticlesSquare::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Group", group_) + sp.toString("CenterX", center_.x) + sp.toString("CenterY", center_.y)
        + sp.toString("MinDx", minDx_) + sp.toString("MaxDx", maxDx_) + sp.toString("MinDy", minDy_)
        + sp.toString("MaxDy", maxDy_) + sp.toString("Amount", amount_) + sp.toString("Limit", limit_)
        + sp.toString("HueMin", hueMin_) + sp.toString("HueMax", hueMax_) + sp.toString("Saturation", saturation_)
        + sp.toString("Brightness", brightness_) + sp.toString("ParticleClass", prototype_.className())
        + sp.toString("Resource Only", resourceOnly);
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
        // Nothing leaves the collection during a batch, so once full it stays full.
        const int count = particles->getParticleCount();
        if ((limit_ != -1 && count >= limit_) || count >= ParticleCollection::kMaxParticles)
            break;
        std::unique_ptr<IGlintmote> p = prototype_.create();
        if (!p)
            return;
        p->setGroup(group_);
        p->setLocationX(center_.x);
        p->setPreviousLocationX(center_.x);
        p->setLocationY(center_.y);
        p->setPreviousLocationY(center_.y);
        p->setDeltaX(geometry.GetRandomFloat(minDx_, maxDx_));
        p->setDeltaY(geometry.GetRandomFloat(minDy_, maxDy_));
        const float hue = geometry.GetRandomFloat(hueMin_, hueMax_) * 360.0f;
        p->setColor(geometry.HSVtoRGB(hue, saturation_, brightness_));
        particles->addParticle(std::move(p));
    }
}

unsigned char ParticlesSquare::setParticleClass(CString classId)
{
    prototype_.setClass(classId);
    return 1;
}

unsigned char ParticlesSquare::setParticlePrototype(IGlintmote* example)
{
    return prototype_.setFrom(example);
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
