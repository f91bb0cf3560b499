#include "particle/constraints/Attractor.h"

#include "particle/core/StringParameters.h"
#include "platform/CDC.h"
#include "platform/Numbers.h"
#include "platform/Trigonometry.h"

#include <cmath>

std::unique_ptr<IConstraint> Attractor::Create()
{
    return std::make_unique<Attractor>();
}

CString Attractor::GetClassName()
{
    return "constraint.Attractor";
}

void Attractor::placePoint()
{
    pointX_ = centerX_;
    pointY_ = centerY_;
    if (orbitRadius_ == 0.0f || orbitPeriod_ == 0.0f || !std::isfinite(orbitRadius_) || !std::isfinite(orbitPeriod_))
        return;
    // The angle from the step count folded into one turn, so that it stays exact on long runs.
    const double turns = std::fmod(static_cast<double>(steps()), static_cast<double>(orbitPeriod_));
    const double angle = turns / static_cast<double>(orbitPeriod_) * 6.283185307179586;
    pointX_ = static_cast<float>(centerX_ + orbitRadius_ * platform::Cos(angle));
    pointY_ = static_cast<float>(centerY_ + orbitRadius_ * platform::Sin(angle));
}

void Attractor::beginStep()
{
    placePoint();
}

bool Attractor::velocityChange(float x, float y, float& dx, float& dy) const
{
    const float ox = pointX_ - x;
    const float oy = pointY_ - y;
    const float q = ox * ox + oy * oy + softening_ * softening_;
    if (!(q > 0.0f))
        return false;
    const float k = strength_ / (q * std::sqrt(q));
    dx = ox * k;
    dy = oy * k;
    return true;
}

unsigned char Attractor::setParametersFromString(CString params)
{
    ConstraintBase::setParametersFromString(params);
    StringParameters sp;
    centerX_ = sp.getFloatParameter(params, "CenterX", centerX_);
    centerY_ = sp.getFloatParameter(params, "CenterY", centerY_);
    strength_ = sp.getFloatParameter(params, "Strength", strength_);
    softening_ = sp.getFloatParameter(params, "Softening", softening_);
    orbitRadius_ = sp.getFloatParameter(params, "Orbit Radius", orbitRadius_);
    orbitPeriod_ = sp.getFloatParameter(params, "Orbit Period", orbitPeriod_);
    placePoint();
    return 1;
}

CString Attractor::getParameterExample()
{
    StringParameters sp;
    return ConstraintBase::getParameterExample() + sp.toString("CenterX", centerX_) + sp.toString("CenterY", centerY_)
        + sp.toString("Strength", strength_) + sp.toString("Softening", softening_)
        + "// Strength: pull at distance r is Strength / r^2 (negative pushes); Softening: r below which it eases "
          "off\r\n"
        + sp.toString("Orbit Radius", orbitRadius_) + sp.toString("Orbit Period", orbitPeriod_)
        + "// Orbit Period: steps per turn of the point about CenterX/CenterY (0 Orbit Radius: it stays put)\r\n";
}

unsigned char Attractor::draw(CDC* dc, CSize)
{
    if (!dc)
        return 0;
    const int x = platform::TruncToInt(pointX_);
    const int y = platform::TruncToInt(pointY_);
    const int previousRop = dc->SetROP2(R2_NOT);
    dc->MoveTo(x - 4, y);
    dc->LineTo(x + 5, y);
    dc->MoveTo(x, y - 4);
    dc->LineTo(x, y + 5);
    dc->SetROP2(previousRop);
    return 1;
}
