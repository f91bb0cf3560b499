#pragma once

#include "particle/constraints/SystemConstraint.h"

// Draws every particle into a picture as a streak along its last move, graded in transparency from its
// current position through the midpoint to its previous position (0.0 opaque, 1.0 transparent).
class RenderSimple : public SystemConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using SystemConstraint::apply;
    unsigned char apply(ParticleSystem* system) override;
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

private:
    CString renderToImage_ = "RENDER";
    float alphaCurrent_ = 1.0f;
    float alphaPrevious_ = 1.0f;
    float alphaMidpoint_ = 0.0f;
};
