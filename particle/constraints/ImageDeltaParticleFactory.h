#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SystemConstraint.h"

// Makes no particle itself: for every pixel of a named picture that is not black, it writes the pixel's
// coordinates into two tags of the constraints whose custom name is "Factory Resource" and applies them,
// so that a factory emits in the shape of the picture.
//
// A delta factory never drives itself, nor another delta factory that is applying right now (two that
// name each other would recurse without end). The picture is looked up again after every driven
// application, because the driven constraint may replace it in the store; when it is gone the scan
// stops, when it was replaced the scan goes on over the new picture.
class PARTICLE_EXPORT ImageDeltaParticleFactory : public SystemConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using SystemConstraint::apply;
    unsigned char apply(ParticleSystem* system) override;
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

private:
    bool drivable(IConstraint* target) const;

    CString factoryResource_;
    CString xVariableName_ = "CenterX";
    CString yVariableName_ = "CenterY";
    CString deltaImageName_;
    bool applying_ = false;
};
