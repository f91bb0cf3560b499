#include "particle/constraints/OmniForce.h"

#include "particle/core/IGlintmote.h"
#include "particle/core/JGeometryUtilities.h"
#include "platform/Numbers.h"

std::unique_ptr<IConstraint> OmniForce::Create()
{
    return std::make_unique<OmniForce>();
}

CString OmniForce::GetClassName()
{
    return "constraint.OmniForce";
}

unsigned char OmniForce::apply(IGlintmote* particle)
{
    const Point3D position(particle->getLocationX(), particle->getLocationY(), 0.0f);
    JGeometryUtilities geometry;
    float strength = 0.0f;
    if (!strengthAt(geometry.PointDistanceFromPoint(position, center_), strength))
        return 1;
    Point3D direction(position.x - center_.x, position.y - center_.y, position.z - center_.z);
    direction.Normalize();
    particle->setDeltaX(particle->getDeltaX() + direction.x * strength);
    particle->setDeltaY(particle->getDeltaY() + direction.y * strength);
    return 1;
}

unsigned char OmniForce::draw(CDC* dc, CSize)
{
    const int x = platform::TruncToInt(center_.x);
    drawField(
        dc, CPoint(x, platform::TruncToInt(center_.y)), CPoint(x, platform::TruncToInt(center_.y - 10.0f * force_)));
    return 1;
}
