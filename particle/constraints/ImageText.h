#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/SystemConstraint.h"
#include "platform/Colour.h"

class PixelRows;

// Writes a line of text into a named picture, making the picture (black, Width x Height) when the store
// has none by that name. An image delta factory reading that picture then emits particles in the shape of
// the words. The text is written on the first step and then every Every steps (0: only the first).
class PARTICLE_EXPORT ImageText : public SystemConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using SystemConstraint::apply;
    unsigned char apply(ParticleSystem* system) override;
    // "Image", "Text", "Font Size", "X", "Y", "Red", "Green", "Blue", "Every", "Width", "Height",
    // "Resource Only".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

    // Whether the last apply wrote the line.
    bool wroteOnLastStep() const { return wrote_; }
    // Writes the line into pixels `enlargement` times the size of the picture it names: the same text,
    // size and place, drawn at that size (what apply writes at 1). False when nothing could be drawn.
    bool writeInto(const PixelRows& rows, float enlargement) const;

private:
    CString image_ = "TEXT";
    CString text_ = "Mirrim";
    float fontSize_ = 64.0f;
    float x_ = 0.0f;
    int y_ = 0;
    COLORREF color_ = RGB(255, 255, 255);
    int every_ = 0;
    int width_ = 320;
    int height_ = 240;
    long steps_ = 0;
    bool wrote_ = false;
};
