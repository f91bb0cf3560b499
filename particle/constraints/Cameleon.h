#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SystemConstraint.h"

#include <string>

// Gives every particle (of its group; -1: all) the colour of the picture pixel under the midpoint of its
// last move. The picture is looked up by name, and loaded from a file once if it is not there yet.
class PARTICLE_EXPORT Cameleon : public SystemConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using SystemConstraint::apply;
    unsigned char apply(ParticleSystem* system) override;
    // An absent "Image Name" sets the name to "Cameleon Image"; an absent "Image Filename" empties it.
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

private:
    CString imageName_;
    CString imageFilename_;
    int group_ = -1;
    // Where the definition that named the file lies: a relative name missing from the working directory
    // is looked for there.
    std::string sourceDirectory_;
};
