#pragma once

#include "particle/core/IGlintmote.h"

#include <memory>

// The particle prototype a factory makes its particles from, and the class name it was last set by.
class ParticlePrototype {
public:
    ParticlePrototype();

    // Replaces the prototype by a new particle of the registered class; unchanged when the class is
    // not registered.
    void setClass(CString classId);
    // A fresh default object of the example's class; the example is neither adopted nor copied.
    unsigned char setFrom(IGlintmote* example);
    // Reads "ParticleClass" from the text; absent or empty keeps the prototype.
    void readClass(const CString& params);
    CString className() const { return className_; }
    // Null when there is no prototype.
    std::unique_ptr<IGlintmote> create() const;

private:
    std::unique_ptr<IGlintmote> prototype_;
    CString className_;
};
