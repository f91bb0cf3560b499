#include "player/imaging/store/SmoothDrawing.h"

#include "player/imaging/store/CDib.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Catmull-Rom: sharp, no ringing worth seeing, and exact at the source's own pixel centres.
double cubic(double t)
{
    t = std::fabs(t);
    if (t < 1.0)
        return 1.5 * t * t * t - 2.5 * t * t + 1.0;
    if (t < 2.0)
        return -0.5 * t * t * t + 2.5 * t * t - 4.0 * t + 2.0;
    return 0.0;
}

// For each target position along one axis: the first source index and the weights from there.
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights; // count[i] of them for each i, one after the other
    std::vector<std::size_t> offset;
};

Taps makeTaps(int sourceSize, int targetSize)
{
    Taps taps;
    const double ratio = static_cast<double>(sourceSize) / targetSize;
    // Shrinking widens the filter to cover each target pixel's footprint.
    const double stretch = std::max(1.0, ratio);
    const double support = 2.0 * stretch;
    for (int i = 0; i < targetSize; ++i) {
        const double centre = (i + 0.5) * ratio - 0.5;
        const int lo = static_cast<int>(std::floor(centre - support)) + 1;
        const int hi = static_cast<int>(std::floor(centre + support));
        taps.first.push_back(lo);
        taps.offset.push_back(taps.weights.size());
        double sum = 0.0;
        for (int s = lo; s <= hi; ++s)
            sum += cubic((s - centre) / stretch);
        for (int s = lo; s <= hi; ++s)
            taps.weights.push_back(static_cast<float>(sum != 0.0 ? cubic((s - centre) / stretch) / sum : 0.0));
        taps.count.push_back(hi - lo + 1);
    }
    return taps;
}

std::uint8_t toByte(float v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

void SmoothDrawing::Resample(const CDib& source, CDib& target, int x, int y, int width, int height)
{
    const int sw = source.GetWidth();
    const int sh = source.GetHeight();
    if (sw <= 0 || sh <= 0 || width <= 0 || height <= 0 || !source.GetRows())
        return;
    const Taps across = makeTaps(sw, width);
    const Taps down = makeTaps(sh, height);
    // Rows first: each source row filtered to the target width, as floats, then columns.
    std::vector<float> rows(static_cast<std::size_t>(sh) * width * 3);
    for (int sy = 0; sy < sh; ++sy) {
        float* out = &rows[static_cast<std::size_t>(sy) * width * 3];
        for (int i = 0; i < width; ++i) {
            float sum[3] = { 0, 0, 0 };
            for (int k = 0; k < across.count[i]; ++k) {
                const COLORREF c = source.GetPixel(std::clamp(across.first[i] + k, 0, sw - 1), sy);
                const float w = across.weights[across.offset[i] + k];
                sum[0] += w * GetBValue(c);
                sum[1] += w * GetGValue(c);
                sum[2] += w * GetRValue(c);
            }
            std::copy(sum, sum + 3, out + i * 3);
        }
    }
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            std::uint8_t* p = target.PixelBytes(x + i, y + j);
            if (!p)
                continue;
            float sum[3] = { 0, 0, 0 };
            for (int k = 0; k < down.count[j]; ++k) {
                const int sy = std::clamp(down.first[j] + k, 0, sh - 1);
                const float w = down.weights[down.offset[j] + k];
                const float* in = &rows[(static_cast<std::size_t>(sy) * width + i) * 3];
                for (int c = 0; c < 3; ++c)
                    sum[c] += w * in[c];
            }
            for (int c = 0; c < 3; ++c)
                p[c] = toByte(sum[c]);
        }
    }
}

void SmoothDrawing::Streak(CDib& target, const float a[2], const float m[2], const float b[2], COLORREF colour,
    float opacityA, float opacityM, float opacityB, float halfWidth)
{
    for (const float* p : { a, m, b }) {
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]))
            return;
    }
    const float reach = halfWidth + 1.0f;
    const float left = std::min({ a[0], m[0], b[0] }) - reach;
    const float right = std::max({ a[0], m[0], b[0] }) + reach;
    const float top = std::min({ a[1], m[1], b[1] }) - reach;
    const float bottom = std::max({ a[1], m[1], b[1] }) + reach;
    // Clamped as floats first: a particle far off the picture must not overflow the conversion.
    const float w = static_cast<float>(target.GetWidth());
    const float h = static_cast<float>(target.GetHeight());
    const int x0 = static_cast<int>(std::clamp(std::floor(left), 0.0f, w));
    const int y0 = static_cast<int>(std::clamp(std::floor(top), 0.0f, h));
    const int x1 = static_cast<int>(std::clamp(std::ceil(right), 0.0f, w));
    const int y1 = static_cast<int>(std::clamp(std::ceil(bottom), 0.0f, h));
    const float rgb[3] = { static_cast<float>(GetBValue(colour)), static_cast<float>(GetGValue(colour)),
        static_cast<float>(GetRValue(colour)) };
    // Distance from a point to one segment, and the opacity there.
    const auto nearest = [](float px, float py, const float* s, const float* e, float os, float oe, float& opacity) {
        const float dx = e[0] - s[0];
        const float dy = e[1] - s[1];
        const float length2 = dx * dx + dy * dy;
        float t = length2 > 0.0f ? ((px - s[0]) * dx + (py - s[1]) * dy) / length2 : 0.0f;
        t = std::clamp(t, 0.0f, 1.0f);
        opacity = os + (oe - os) * t;
        const float qx = s[0] + t * dx - px;
        const float qy = s[1] + t * dy - py;
        return std::sqrt(qx * qx + qy * qy);
    };
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float px = x + 0.5f;
            const float py = y + 0.5f;
            float o1 = 0.0f;
            float o2 = 0.0f;
            const float d1 = nearest(px, py, a, m, opacityA, opacityM, o1);
            const float d2 = nearest(px, py, m, b, opacityM, opacityB, o2);
            const float d = std::min(d1, d2);
            const float cover = std::clamp(halfWidth + 0.5f - d, 0.0f, 1.0f);
            const float alpha = cover * std::clamp(d1 <= d2 ? o1 : o2, 0.0f, 1.0f);
            if (alpha <= 0.0f)
                continue;
            std::uint8_t* p = target.PixelBytes(x, y);
            if (!p)
                continue;
            for (int c = 0; c < 3; ++c)
                p[c] = toByte(p[c] + alpha * (rgb[c] - p[c]));
        }
    }
}

void SmoothDrawing::FillAround(CDib& target, int x, int y, int width, int height, COLORREF colour)
{
    for (int j = 0; j < target.GetHeight(); ++j) {
        const bool rowInside = j >= y && j < y + height;
        for (int i = 0; i < target.GetWidth(); ++i) {
            if (rowInside && i >= x && i < x + width) {
                i = x + width - 1;
                continue;
            }
            target.SetPixel(i, j, colour);
        }
    }
}
