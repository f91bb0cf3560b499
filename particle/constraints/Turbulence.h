#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SteppedField.h"

// A smooth swirling push: the curl of a seeded noise field that drifts over time. Curl fields have no
// sources or sinks, so particles swirl and stream without bunching up. The noise is hashed from the seed
// and the cell coordinates alone and draws nothing from the random generator, so adding turbulence to a
// scene leaves every other constraint's draws as they were.
class PARTICLE_EXPORT Turbulence : public SteppedField {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    // Base tags, then "Scale", "Strength", "Speed", "Seed".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

    // The velocity change at a point at the present time; false (and nothing) where the field is not
    // defined: a scale of 0 or less, or a point too far away to hash.
    bool velocityChange(float x, float y, float& dx, float& dy) const override;
    // Noise in -1..1 and its slope along x and y, in cells; t is in cells of time.
    static float noise(int seed, float x, float y, float t, float& slopeX, float& slopeY);

private:
    float scale_ = 60.0f;
    float strength_ = 0.2f;
    float speed_ = 0.01f;
    int seed_ = 1;
};
