#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SystemConstraint.h"

#include <string>

// Loads one picture per step from a numbered sequence of files ("imag%04d.jpg": imag0000.jpg,
// imag0001.jpg, ...) into a named picture: an animated background, or a changing source for others.
class PARTICLE_EXPORT ImageLoad : public SystemConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using SystemConstraint::apply;
    unsigned char apply(ParticleSystem* system) override;
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

private:
    CString image_ = "RENDER";
    CString imageFilename_ = "imag%04d.jpg";
    int currentIndex_ = 0;
    int startIndex_ = 0;
    int endIndex_ = -1;
    unsigned char loop_ = 0;
    // Where the definition that named the files lies: relative names missing from the working directory
    // are looked for there.
    std::string sourceDirectory_;
};
