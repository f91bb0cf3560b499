#include "particle/core/ParticleBase.h"

#include "platform/CDC.h"
#include "platform/Numbers.h"

ParticleBase::ParticleBase(IGlintmote& source)
{
    setLocationX(source.getLocationX());
    setLocationY(source.getLocationY());
    setPreviousLocationX(source.getPreviousLocationX());
    setPreviousLocationY(source.getPreviousLocationY());
    setDeltaX(source.getDeltaX());
    setDeltaY(source.getDeltaY());
    setColor(source.getColor());
    setAge(source.getAge());
    setGroup(source.getGroup());
}

std::unique_ptr<IGlintmote> ParticleBase::Create()
{
    return std::make_unique<ParticleBase>();
}

CString ParticleBase::GetClassName()
{
    return "zrk.particle.ParticleBase";
}

unsigned char ParticleBase::draw(CDC* dc)
{
    CPen pen(PS_SOLID, 0, getColor());
    CPen* previous = dc->SelectObject(&pen);
    dc->MoveTo(platform::TruncToInt(getLocationX()), platform::TruncToInt(getLocationY()));
    dc->LineTo(platform::TruncToInt(getPreviousLocationX()), platform::TruncToInt(getPreviousLocationY()));
    dc->SelectObject(previous);
    return 1;
}
