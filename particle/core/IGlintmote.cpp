#include "particle/core/IGlintmote.h"

CString IGlintmote::GetClassName()
{
    return "zrk.particle.IGlintmote";
}

float IGlintmote::getLocationZ()
{
    return 0.0f;
}

float IGlintmote::getPreviousLocationZ()
{
    return 0.0f;
}

unsigned char IGlintmote::setLocationZ(float)
{
    return 0;
}

unsigned char IGlintmote::setPreviousLocationZ(float)
{
    return 0;
}

unsigned char IGlintmote::setDeltaZ(float)
{
    return 0;
}
