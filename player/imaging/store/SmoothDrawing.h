#pragma once

#include "platform/Colour.h"

class CDib;

// Drawing for output larger (or smaller) than the scene: pictures resampled with a cubic filter and
// streaks with anti-aliased edges. Both write only inside the target's pixels.
class SmoothDrawing {
public:
    // Redraws all of source into the rectangle (x, y, width, height) of target: Catmull-Rom when
    // enlarging, averaged over each target pixel's footprint when shrinking, so that neither blocks nor
    // shimmering show. Parts of the rectangle outside target are skipped.
    static void Resample(const CDib& source, CDib& target, int x, int y, int width, int height);

    // A streak through a, m and b (target pixels, continuous: (0, 0) is the top-left corner of the first
    // pixel), halfWidth either side of its centre line, in one colour whose opacity runs linearly from
    // opacityA at a through opacityM at m to opacityB at b. Each covered pixel moves towards the colour by
    // opacity times the fraction of it the streak covers; a pixel near m is drawn once, not twice.
    static void Streak(CDib& target, const float a[2], const float m[2], const float b[2], COLORREF colour,
        float opacityA, float opacityM, float opacityB, float halfWidth);

    // Fills the pixels of target outside the rectangle (x, y, width, height) with colour.
    static void FillAround(CDib& target, int x, int y, int width, int height, COLORREF colour);
};
