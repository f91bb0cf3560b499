#pragma once

#include "particle/ParticleExport.h"

#include "platform/CObject.h"
#include "platform/CString.h"
#include "platform/Geometry.h"

#include <memory>

class CDC;
class IGlintmote;
class ParticleCollection;
class ParticleSystem;

// Anything that acts on the particles: a force, a factory, a removal rule, a picture step. A constraint
// held as a resource ("Resource Only") is drawn and can be driven explicitly, but its collection does
// not apply it.
class PARTICLE_EXPORT IConstraint : public CObject {
public:
    // A new default object of the same class (never a copy of this one's settings), owned by the caller.
    // Abstract classes give none.
    virtual std::unique_ptr<IConstraint> Create();
    virtual CString GetClassName();
    virtual CString GetCustomName();
    virtual unsigned char SetCustomName(CString name);
    virtual unsigned char apply(ParticleSystem* system) = 0;
    virtual unsigned char apply(ParticleCollection* particles) = 0;
    virtual unsigned char apply(IGlintmote* particle) = 0;
    // Reads the tags present in the text; absent tags keep their current values.
    virtual unsigned char setParametersFromString(CString params) = 0;
    // The current settings as tags, in the order they are read.
    virtual CString getParameterExample() = 0;
    virtual unsigned char draw(CDC* dc, CSize size) = 0;
    virtual unsigned char IsResourceOnly();

protected:
    IConstraint() = default;

    CString customName;
    unsigned char resourceOnly = 0;
};
