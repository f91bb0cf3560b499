#pragma once

#include "particle/core/ParticleBase.h"

// How the engine's own per-particle rules reach a particle. Each rule is written once, as a template over
// these two. VirtualParticle goes through the virtual getters and setters, so a host's particle class
// sees every call it overrides. DirectParticle is for particles known to be of exactly the class
// ParticleBase: it calls ParticleBase's own getters and setters without dispatch, so they compile to
// plain loads and stores.
class VirtualParticle {
public:
    explicit VirtualParticle(IGlintmote* p)
        : p_(p)
    {
    }
    float locationX() const { return p_->getLocationX(); }
    float locationY() const { return p_->getLocationY(); }
    float previousLocationX() const { return p_->getPreviousLocationX(); }
    float previousLocationY() const { return p_->getPreviousLocationY(); }
    float deltaX() const { return p_->getDeltaX(); }
    float deltaY() const { return p_->getDeltaY(); }
    unsigned long color() const { return p_->getColor(); }
    int age() const { return p_->getAge(); }
    int group() const { return p_->getGroup(); }
    void setDeltaX(float v) const { p_->setDeltaX(v); }
    void setDeltaY(float v) const { p_->setDeltaY(v); }
    void setColor(unsigned long c) const { p_->setColor(c); }

private:
    IGlintmote* p_;
};

class DirectParticle {
public:
    explicit DirectParticle(ParticleBase* p)
        : p_(p)
    {
    }
    float locationX() const { return p_->ParticleBase::getLocationX(); }
    float locationY() const { return p_->ParticleBase::getLocationY(); }
    float previousLocationX() const { return p_->ParticleBase::getPreviousLocationX(); }
    float previousLocationY() const { return p_->ParticleBase::getPreviousLocationY(); }
    float deltaX() const { return p_->ParticleBase::getDeltaX(); }
    float deltaY() const { return p_->ParticleBase::getDeltaY(); }
    unsigned long color() const { return p_->ParticleBase::getColor(); }
    int age() const { return p_->ParticleBase::getAge(); }
    int group() const { return p_->ParticleBase::getGroup(); }
    void setDeltaX(float v) const { p_->ParticleBase::setDeltaX(v); }
    void setDeltaY(float v) const { p_->ParticleBase::setDeltaY(v); }
    void setColor(unsigned long c) const { p_->ParticleBase::setColor(c); }

private:
    ParticleBase* p_;
};
