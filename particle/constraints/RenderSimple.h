#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SystemConstraint.h"

class ParticleCollection;
class PixelRows;

// Draws every particle into a picture as a streak along its last move, graded in transparency from its
// current position through the midpoint to its previous position (0.0 opaque, 1.0 transparent).
//
// A picture that lets the engine draw into its pixels directly (IDirectImage) gets the same lines drawn
// there, without a canvas; a large collection of ParticleBase particles is then drawn by more than one
// thread, each into its own band of rows, every band receiving its particles in list order.
class PARTICLE_EXPORT RenderSimple : public SystemConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using SystemConstraint::apply;
    unsigned char apply(ParticleSystem* system) override;
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;
    // The streaks apply() draws, into rows of the picture's size instead of the picture: a host drawing
    // the frame again (on another background, say) gets the same pixels.
    void drawInto(ParticleCollection& particles, const PixelRows& rows) const { drawDirect(particles, rows); }

private:
    void drawDirect(ParticleCollection& particles, const PixelRows& rows) const;
    template <typename Particle> void drawStreak(const PixelRows& rows, Particle p) const;

    CString renderToImage_ = "RENDER";
    float alphaCurrent_ = 1.0f;
    float alphaPrevious_ = 1.0f;
    float alphaMidpoint_ = 0.0f;
};
