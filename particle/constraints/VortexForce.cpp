#include "particle/constraints/VortexForce.h"

#include "particle/core/IGlintmote.h"
#include "particle/core/JGeometryUtilities.h"
#include "platform/Numbers.h"

std::unique_ptr<IConstraint> VortexForce::Create()
{
    return std::make_unique<VortexForce>();
}

CString VortexForce::GetClassName()
{
    return "constraint.VortexForce";
}

unsigned char VortexForce::apply(IGlintmote* particle)
{
    const float x = particle->getLocationX();
    const float y = particle->getLocationY();
    JGeometryUtilities geometry;
    const float distance = geometry.PointDistanceFromPoint(Point3D(x, y, 0.0f), center_);
    float strength = 0.0f;
    if (!strengthAt(distance, strength))
        return 1;
    // The velocity gains the chord to where the particle would be, turned about the centre.
    const float angle = geometry.GetLineSegmentAngle(center_.x, center_.y, x, y) + strength;
    const float targetX = center_.x + geometry.GetDeltaXOfVector(angle, distance);
    const float targetY = center_.y + geometry.GetDeltaYOfVector(angle, distance);
    particle->setDeltaX(particle->getDeltaX() + (targetX - x));
    particle->setDeltaY(particle->getDeltaY() + (targetY - y));
    return 1;
}

unsigned char VortexForce::draw(CDC* dc, CSize)
{
    const int x = platform::TruncToInt(center_.x);
    const int y = platform::TruncToInt(platform::TruncToInt(center_.y) - (radiusIn_ + radiusOut_) * 0.5);
    drawField(dc, CPoint(x, y), CPoint(platform::TruncToInt(x + 10.0f * force_), y));
    return 1;
}
