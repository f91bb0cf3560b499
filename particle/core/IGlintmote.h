#pragma once

#include "particle/ParticleExport.h"

#include "platform/CObject.h"
#include "platform/CString.h"

#include <memory>

class CDC;

// A particle: where it is, where it was one step ago, its velocity, colour, age and group. The third
// coordinate exists in the interface only; this implementation ignores it.
class PARTICLE_EXPORT IGlintmote : public CObject {
public:
    // A new default object of the same class (not a copy), owned by the caller.
    virtual std::unique_ptr<IGlintmote> Create() = 0;
    virtual CString GetClassName();

    virtual float getLocationX() = 0;
    virtual float getLocationY() = 0;
    virtual float getLocationZ();
    virtual float getPreviousLocationX() = 0;
    virtual float getPreviousLocationY() = 0;
    virtual float getPreviousLocationZ();
    virtual float getDeltaX() = 0;
    virtual float getDeltaY() = 0;
    virtual unsigned long getColor() = 0;
    virtual int getAge() = 0;
    virtual int getGroup() = 0;

    // Setters return 1 when the value was stored, 0 when the particle does not support it.
    virtual unsigned char setLocationX(float x) = 0;
    virtual unsigned char setLocationY(float y) = 0;
    virtual unsigned char setLocationZ(float z);
    virtual unsigned char setPreviousLocationX(float x) = 0;
    virtual unsigned char setPreviousLocationY(float y) = 0;
    virtual unsigned char setPreviousLocationZ(float z);
    virtual unsigned char setDeltaX(float dx) = 0;
    virtual unsigned char setDeltaY(float dy) = 0;
    virtual unsigned char setDeltaZ(float dz);
    virtual unsigned char setColor(unsigned long color) = 0;
    virtual unsigned char setAge(int age) = 0;
    virtual unsigned char setGroup(int group) = 0;

    // Moves by the velocity and ages by one.
    virtual unsigned char step() = 0;
    // Draws the streak from the current to the previous position.
    virtual unsigned char draw(CDC* dc) = 0;
};
