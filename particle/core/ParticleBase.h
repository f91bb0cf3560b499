#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/IGlintmote.h"

// The one concrete particle class.
class PARTICLE_EXPORT ParticleBase : public IGlintmote {
public:
    ParticleBase() = default;
    // Copies position, previous position, velocity, colour, age and group through the getters.
    explicit ParticleBase(IGlintmote& source);

    std::unique_ptr<IGlintmote> Create() override;
    CString GetClassName() override;

    float getLocationX() override { return locationX; }
    float getLocationY() override { return locationY; }
    float getPreviousLocationX() override { return previousLocationX; }
    float getPreviousLocationY() override { return previousLocationY; }
    float getDeltaX() override { return deltaX; }
    float getDeltaY() override { return deltaY; }
    unsigned long getColor() override { return color; }
    int getAge() override { return age; }
    int getGroup() override { return group; }

    unsigned char setLocationX(float x) override
    {
        locationX = x;
        return 1;
    }
    unsigned char setLocationY(float y) override
    {
        locationY = y;
        return 1;
    }
    unsigned char setPreviousLocationX(float x) override
    {
        previousLocationX = x;
        return 1;
    }
    unsigned char setPreviousLocationY(float y) override
    {
        previousLocationY = y;
        return 1;
    }
    unsigned char setDeltaX(float dx) override
    {
        deltaX = dx;
        return 1;
    }
    unsigned char setDeltaY(float dy) override
    {
        deltaY = dy;
        return 1;
    }
    unsigned char setColor(unsigned long c) override
    {
        color = c;
        return 1;
    }
    unsigned char setAge(int a) override
    {
        age = a;
        return 1;
    }
    unsigned char setGroup(int g) override
    {
        group = g;
        return 1;
    }

    // Inline, so that the engine's own walks over ParticleBase particles can call it without dispatch.
    unsigned char step() override
    {
        previousLocationX = locationX;
        previousLocationY = locationY;
        locationX = locationX + deltaX;
        locationY = locationY + deltaY;
        age = age + 1;
        return 1;
    }
    unsigned char draw(CDC* dc) override;

private:
    // Creators set position and velocity before use; zero keeps a forgotten one harmless.
    float locationX = 0.0f;
    float locationY = 0.0f;
    float previousLocationX = 0.0f;
    float previousLocationY = 0.0f;
    float deltaX = 0.0f;
    float deltaY = 0.0f;
    unsigned long color = 0;
    int age = 0;
    int group = 0;
};
