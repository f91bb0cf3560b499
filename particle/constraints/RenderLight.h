#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SystemConstraint.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class ParticleCollection;
class PixelRows;

// Where particles land in a light buffer: buffer coordinate = scene coordinate x scale + offset.
struct LightPlacement {
    float scale = 1.0f;
    float offsetX = 0.0f;
    float offsetY = 0.0f;
};

// The light gathered at one size, red, green and blue floats per pixel in rows from the top, with what
// earlier steps left in it, and room for the glow.
class PARTICLE_EXPORT LightBuffer {
public:
    int width() const { return width_; }
    int height() const { return height_; }
    // Makes the buffer this size, dark, when it has another size; false (and an empty buffer) when it
    // cannot hold that many pixels.
    bool fit(int width, int height);
    float* row(int y) { return light_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) * 3; }

    // A particle as the light needs it.
    struct Mote {
        float x, y, px, py;
        std::uint32_t colour;
    };

private:
    friend class RenderLight;
    int width_ = 0;
    int height_ = 0;
    std::vector<float> light_;
    std::vector<float> glow_;
    std::vector<float> scratch_;
    // Each thread's share of the list: its particles with the strips of rows they reach, then the same
    // sorted by strip (strip k's from strips[k] to strips[k + 1]). Memory follows the number of particles
    // and of their copies, not how they spread over the strips, so it stops growing when the crowd does.
    struct Reach {
        Mote mote;
        int first, last;
    };
    struct Share {
        std::vector<Reach> reach;
        std::vector<Mote> motes;
        std::vector<std::size_t> strips;
    };
    std::vector<Share> shares_;
    // What the strips cost to draw.
    std::vector<std::size_t> stripCost_;
};

// Adds light where particles pass instead of painting over: each particle adds its colour times Opacity,
// spread evenly over the pixels of its last move, into a floating-point buffer the size of the picture.
// Every step the light already there first fades by Decay, so trails linger; then the buffer is
// tone-mapped (Exposure, a logarithmic Density curve that shows crowding without burning out, Gamma, and
// a Glow that blurs the bright parts) and added onto the picture, so a picture cleared to a background
// first keeps it.
//
// The same bits on any number of threads: each thread owns strips of rows and adds to them, in list
// order, the light of the particles that reach them, and the blur's sums run along whole rows or whole
// columns.
class PARTICLE_EXPORT RenderLight : public SystemConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using SystemConstraint::apply;
    unsigned char apply(ParticleSystem* system) override;
    // "RenderToImage", "Opacity", "Exposure", "Density", "Gamma", "Decay", "Glow Radius", "Glow Strength",
    // "Glow Threshold", "Resource Only".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

    // One step of light at any size: particles placed by `placement` into `buffer` (whose size becomes the
    // target's), tone-mapped and added onto `target`. apply() is this at scale 1 into the picture, with a
    // buffer of its own; drawing the same scene at another size keeps another buffer for that size.
    // false when the buffer cannot be made.
    bool renderLight(
        ParticleCollection& particles, LightBuffer& buffer, const PixelRows& target, const LightPlacement& placement);

private:
    // The tone curve is built when first drawn with, not when tags are read: the class registry makes
    // and drops a prototype of every class for each class it looks up.
    void updateToneCurve();
    // The byte that light of this amount adds to a picture channel.
    int toneMap(float light) const;
    int thresholdsReached(float light) const;
    // Adds the particles' light; with a glow radius, each row's glow is blurred along the row as soon as
    // the row has all its light.
    void splat(
        ParticleCollection& particles, LightBuffer& buffer, const LightPlacement& placement, int glowRadius) const;
    void glowRows(LightBuffer& buffer, int top, int bottom, int radius) const;
    // Blurs the glow down the columns and adds light and glow onto the picture.
    void glowColumnsAndTone(LightBuffer& buffer, int radius, float strength, const PixelRows& target) const;
    // Adds values [begin, end) of a row of light, with glow from halo (which starts at value begin) times
    // strength, onto the picture's row of bytes.
    void toneValues(const float* light, const float* halo, float strength, std::uint8_t* bgr, std::size_t begin,
        std::size_t end) const;

    CString renderToImage_ = "RENDER";
    float opacity_ = 1.0f;
    float exposure_ = 1.0f;
    float density_ = 10.0f;
    float gamma_ = 1.0f;
    float decay_ = 1.0f;
    int glowRadius_ = 0;
    float glowStrength_ = 0.5f;
    float glowThreshold_ = 0.0f;
    // thresholds_[b - 1]: the least light that adds b or more to a channel; NaN after the last.
    float thresholds_[256] = {};
    // Floats by their sign, exponent and the top 8 bits of the fraction: each bucket spans 0.4 % of its
    // value, and holds how many thresholds its first value reaches.
    static constexpr int kBucketShift = 15;
    std::vector<std::uint8_t> startOfBucket_;
    bool oneThresholdABucket_ = false;
    bool curveStale_ = true;
    LightBuffer buffer_;
};
