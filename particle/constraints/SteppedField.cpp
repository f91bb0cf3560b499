#include "particle/constraints/SteppedField.h"

#include "particle/core/IGlintmote.h"

unsigned char SteppedField::apply(ParticleCollection* particles)
{
    beginStep();
    ConstraintBase::apply(particles);
    ++steps_;
    return 1;
}

unsigned char SteppedField::apply(IGlintmote* particle)
{
    float dx = 0.0f;
    float dy = 0.0f;
    if (velocityChange(particle->getLocationX(), particle->getLocationY(), dx, dy)) {
        particle->setDeltaX(particle->getDeltaX() + dx);
        particle->setDeltaY(particle->getDeltaY() + dy);
    }
    return 1;
}
