#include "particle/constraints/Turbulence.h"

#include "particle/core/StringParameters.h"

#include <cmath>
#include <cstdint>

namespace {

// Cell coordinates beyond this are not hashed: far outside any picture, and still exact as floats.
constexpr float kFarthestCell = 1.0e6f;

// A value in -1..1 for one lattice corner, from a 32-bit integer mix of its coordinates and the seed.
float corner(std::uint32_t seed, int x, int y, int t)
{
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h ^ (h >> 15)) * 0x2C1B3C6Du;
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h = (h ^ (h >> 13)) * 0x297A2D39u;
    h ^= static_cast<std::uint32_t>(t) * 0x27D4EB2Fu;
    h = (h ^ (h >> 16)) * 0x85EBCA6Bu;
    h ^= h >> 13;
    return static_cast<float>(h >> 8) * (2.0f / 16777215.0f) - 1.0f;
}

// Quintic fade and its slope: zero slope and curvature at both ends, so the field is smooth across cells.
float fade(float f)
{
    return f * f * f * (f * (f * 6.0f - 15.0f) + 10.0f);
}

float fadeSlope(float f)
{
    return 30.0f * f * f * (f * (f - 2.0f) + 1.0f);
}

} // namespace

std::unique_ptr<IConstraint> Turbulence::Create()
{
    return std::make_unique<Turbulence>();
}

CString Turbulence::GetClassName()
{
    return "constraint.Turbulence";
}

float Turbulence::noise(int seed, float x, float y, float t, float& slopeX, float& slopeY)
{
    const float cx = std::floor(x);
    const float cy = std::floor(y);
    const float ct = std::floor(t);
    const int ix = static_cast<int>(cx);
    const int iy = static_cast<int>(cy);
    const int it = static_cast<int>(ct);
    const float fx = x - cx;
    const float fy = y - cy;
    const float ft = fade(t - ct);
    const auto s = static_cast<std::uint32_t>(seed);
    // Along time first, then a smooth bilinear blend of the four columns.
    float a[2][2];
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            const float now = corner(s, ix + i, iy + j, it);
            a[i][j] = now + (corner(s, ix + i, iy + j, it + 1) - now) * ft;
        }
    }
    const float sx = fade(fx);
    const float sy = fade(fy);
    const float alongX0 = a[1][0] - a[0][0];
    const float alongX1 = a[1][1] - a[0][1];
    const float alongY0 = a[0][1] - a[0][0];
    const float alongY1 = a[1][1] - a[1][0];
    slopeX = fadeSlope(fx) * (alongX0 + (alongX1 - alongX0) * sy);
    slopeY = fadeSlope(fy) * (alongY0 + (alongY1 - alongY0) * sx);
    const float bottom = a[0][0] + alongX0 * sx;
    const float top = a[0][1] + alongX1 * sx;
    return bottom + (top - bottom) * sy;
}

bool Turbulence::velocityChange(float x, float y, float& dx, float& dy) const
{
    if (!(scale_ > 0.0f))
        return false;
    const float u = x / scale_;
    const float v = y / scale_;
    const float t = static_cast<float>(static_cast<double>(steps()) * static_cast<double>(speed_));
    if (!(std::fabs(u) < kFarthestCell && std::fabs(v) < kFarthestCell && std::fabs(t) < kFarthestCell))
        return false;
    float slopeX = 0.0f;
    float slopeY = 0.0f;
    noise(seed_, u, v, t, slopeX, slopeY);
    // The curl of the noise: along its contour lines, never up or down its slope.
    dx = strength_ * slopeY;
    dy = -strength_ * slopeX;
    return true;
}

unsigned char Turbulence::setParametersFromString(CString params)
{
    ConstraintBase::setParametersFromString(params);
    StringParameters sp;
    scale_ = sp.getFloatParameter(params, "Scale", scale_);
    strength_ = sp.getFloatParameter(params, "Strength", strength_);
    speed_ = sp.getFloatParameter(params, "Speed", speed_);
    seed_ = sp.getIntParameter(params, "Seed", seed_);
    return 1;
}

CString Turbulence::getParameterExample()
{
    StringParameters sp;
    return ConstraintBase::getParameterExample() + sp.toString("Scale", scale_) + sp.toString("Strength", strength_)
        + sp.toString("Speed", speed_) + sp.toString("Seed", seed_)
        + "// Scale: size of a swirl in pixels; Speed: how fast the field changes, in swirls per step\r\n";
}

unsigned char Turbulence::draw(CDC*, CSize)
{
    return 0;
}
