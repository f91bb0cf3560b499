#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SystemConstraint.h"
#include "platform/Colour.h"

// Moves every pixel of a picture a fraction of the way towards a background colour: placed before the
// render step instead of ImageClear, it leaves trails that fade out instead of staying for good. Each
// channel moves by at least one level while it differs from the background, so trails do vanish.
class PARTICLE_EXPORT ImageFade : public SystemConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using SystemConstraint::apply;
    unsigned char apply(ParticleSystem* system) override;
    // "Image", "Factor", "Red", "Green", "Blue", "Resource Only".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

    // One channel after one step.
    static int fadeChannel(int value, int background, float factor);

private:
    CString image_ = "RENDER";
    float factor_ = 0.1f;
    COLORREF color_ = 0;
};
