#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/ConstraintBase.h"

#include <vector>

// Recolours particles on every step from a ramp of colour stops, by age or by speed. Each stop is
// "position red green blue [opacity]", stops separated by ';'. With a Span above 0 the positions are
// fractions of it (of a maximum age, or of a top speed); with Span 0 they are ages in steps or speeds in
// pixels per step. Below the first stop and beyond the last the end colours hold. Opacity below 1 darkens
// the colour towards black, so on a black picture a particle fades out.
class PARTICLE_EXPORT ColourRamp : public ConstraintBase {
public:
    using ConstraintBase::apply;

    struct Stop {
        float position;
        float red, green, blue, opacity;
    };

    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char apply(IGlintmote* particle) override;
    // Base tags, then "Stops", "By" ("age" or "speed"), "Span".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

    // The colour at a position along the ramp (already divided by the span); black without stops.
    unsigned long colourAt(float position) const;
    // Stops read from text, in order of position; malformed stops are left out.
    static std::vector<Stop> parseStops(const std::string& text);

private:
    CString stopsText_ = "0 255 255 255 1; 1 255 0 0 0";
    std::vector<Stop> stops_ = parseStops(stopsText_.str());
    bool bySpeed_ = false;
    float span_ = 100.0f;
};
