#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SystemConstraint.h"
#include "platform/Colour.h"

// Fills a picture with one colour and copies a background picture over its top-left corner: the first
// step of a frame that is rendered into a picture.
class PARTICLE_EXPORT ImageClear : public SystemConstraint {
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
    COLORREF color_ = 0;
    CString backgroundImage_ = "BACKGROUND";
};
