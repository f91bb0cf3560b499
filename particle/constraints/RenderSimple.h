#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SystemConstraint.h"

#include <cstdint>
#include <vector>

class ParticleCollection;
class PixelRows;

// Draws every particle into a picture as a streak along its last move, graded in transparency from its
// current position through the midpoint to its previous position (0.0 opaque, 1.0 transparent).
//
// A picture that lets the engine draw into its pixels directly (IDirectImage) gets the same lines drawn
// there, without a canvas; a large collection of ParticleBase particles is then drawn by more than one
// thread, each into its own band of rows, every band receiving its particles in list order. The
// particles are sorted into the bands once per tick, each thread sorting a part of the list, so that a
// band's thread reads only the streaks it draws instead of every particle.
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
    void drawInto(ParticleCollection& particles, const PixelRows& rows) { drawDirect(particles, rows); }

private:
    // What drawing a streak reads of its particle, copied out when the particles are sorted into bands.
    struct Streak {
        float x, y, px, py;
        std::uint32_t colour; // only the low 24 bits of a colour are drawn
        float locationX() const { return x; }
        float locationY() const { return y; }
        float previousLocationX() const { return px; }
        float previousLocationY() const { return py; }
        unsigned long color() const { return colour; }
    };

    void drawDirect(ParticleCollection& particles, const PixelRows& rows);
    // False, with nothing drawn, when there is no memory to sort the particles into bands.
    bool drawSorted(ParticleCollection& particles, const PixelRows& rows, int bands);
    template <typename Particle> void drawStreak(const PixelRows& rows, Particle p) const;

    CString renderToImage_ = "RENDER";
    float alphaCurrent_ = 1.0f;
    float alphaPrevious_ = 1.0f;
    float alphaMidpoint_ = 0.0f;
    // The streaks of each part of the list that each band draws, part by part and band by band; kept
    // from tick to tick so that a tick allocates nothing.
    std::vector<std::vector<Streak>> sorted_;
};
