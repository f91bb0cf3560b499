#include "particle/core/JGeometryUtilities.h"

#include "platform/Colour.h"
#include "platform/Numbers.h"
#include "platform/Random.h"
#include "platform/Trigonometry.h"

#include <cmath>

namespace {

constexpr double kPi = 3.1415926535;
// Just above 1/32767, as the bits 0x38000100 give it: the largest draw lands on max.
constexpr float kRandScale = 3.0518509e-05f;
constexpr float k255 = 0.003921569f;

int lowByte(double component)
{
    return platform::TruncToInt(component) & 0xFF;
}

unsigned long pack(int r, int g, int b)
{
    return static_cast<unsigned long>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

} // namespace

float JGeometryUtilities::GetRandomFloat(float min, float max)
{
    if (max < min)
        return min;
    const float r = static_cast<float>(platform::Rand());
    return min + r * kRandScale * (max - min);
}

float JGeometryUtilities::PointDistanceFromPoint(Point3D a, Point3D b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return static_cast<float>(std::sqrt(static_cast<double>(dx * dx + dy * dy + dz * dz)));
}

float JGeometryUtilities::PointDistanceFromLine(float p1, float p2, float p3, float p4, float p5, float p6)
{
    return (p4 - p2) * (p4 - p6) - (p3 - p1) * (p5 - p3);
}

float JGeometryUtilities::GetLineSegmentAngle(float x1, float y1, float x2, float y2)
{
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    if (dx == 0.0f && dy == 0.0f)
        return 0.0f;
    return static_cast<float>(platform::Atan2(static_cast<double>(dy), static_cast<double>(dx)));
}

unsigned char JGeometryUtilities::IsPointBetweenAngles(float x1, float y1, float x2, float y2, float start, float width)
{
    const float a = GetLineSegmentAngle(x1, y1, x2, y2);
    return start < a && a < start + width ? 1 : 0;
}

float JGeometryUtilities::GetDeltaXOfVector(float angle, float magnitude)
{
    return static_cast<float>(platform::Cos(static_cast<double>(angle)) * magnitude);
}

float JGeometryUtilities::GetDeltaYOfVector(float angle, float magnitude)
{
    return static_cast<float>(platform::Sin(static_cast<double>(angle)) * magnitude);
}

Point3D JGeometryUtilities::GetPoint3DOfVectorForce(float angle1, float angle2, float magnitude)
{
    const double a1 = angle1;
    const double a2 = angle2;
    return Point3D(static_cast<float>(platform::Cos(a1) * platform::Cos(a2) * magnitude),
        static_cast<float>(magnitude * platform::Sin(a1)), static_cast<float>(magnitude * platform::Sin(a2)));
}

float JGeometryUtilities::InterpolateFloatLinear(float a, float b, int start, int end, int pos)
{
    if (end == start)
        return a;
    const float t
        = static_cast<float>(static_cast<double>(pos) - start) / static_cast<float>(static_cast<double>(end) - start);
    return (1.0f - t) * b + t * a;
}

float JGeometryUtilities::InterpolateFloatCosine(float a, float b, float c)
{
    return static_cast<float>((platform::Cos(static_cast<double>(a) * c * kPi) + 1.0) * 0.5 * b);
}

float JGeometryUtilities::InterpolateFloatCosine(float a, float b, int start, int end, int pos, float periods)
{
    if (end == start)
        return a;
    const double t = (static_cast<double>(pos) - start) / (static_cast<double>(end) - start);
    const double f = (platform::Cos(t * periods * kPi) + 1.0) * 0.5;
    return static_cast<float>((1.0 - f) * b + f * a);
}

unsigned long JGeometryUtilities::HSVtoRGB(int h, int s, int v)
{
    return pack(GetRedFromHSV(h, s, v), GetGreenFromHSV(h, s, v), GetBlueFromHSV(h, s, v));
}

unsigned long JGeometryUtilities::HSVtoRGB(float h, float s, float v)
{
    const float r = GetRedFromHSV(h, s, v) * 255.0f;
    const float g = GetGreenFromHSV(h, s, v) * 255.0f;
    const float b = GetBlueFromHSV(h, s, v) * 255.0f;
    return pack(lowByte(r), lowByte(g), lowByte(b));
}

int JGeometryUtilities::GetRedFromHSV(int h, int s, int v)
{
    int r, g, b;
    ConvertHSVToRGB(h, s, v, r, g, b);
    return r;
}

float JGeometryUtilities::GetRedFromHSV(float h, float s, float v)
{
    float r, g, b;
    ConvertHSVToRGB(h, s, v, r, g, b);
    return r;
}

int JGeometryUtilities::GetGreenFromHSV(int h, int s, int v)
{
    int r, g, b;
    ConvertHSVToRGB(h, s, v, r, g, b);
    return g;
}

float JGeometryUtilities::GetGreenFromHSV(float h, float s, float v)
{
    float r, g, b;
    ConvertHSVToRGB(h, s, v, r, g, b);
    return g;
}

int JGeometryUtilities::GetBlueFromHSV(int h, int s, int v)
{
    int r, g, b;
    ConvertHSVToRGB(h, s, v, r, g, b);
    return b;
}

float JGeometryUtilities::GetBlueFromHSV(float h, float s, float v)
{
    float r, g, b;
    ConvertHSVToRGB(h, s, v, r, g, b);
    return b;
}

float JGeometryUtilities::GetHueFromRGB(unsigned long color)
{
    float h, s, v;
    ConvertRGBToHSV(GetRValue(color) * k255, GetGValue(color) * k255, GetBValue(color) * k255, h, s, v);
    return h;
}

float JGeometryUtilities::GetSaturationFromRGB(unsigned long color)
{
    float h, s, v;
    ConvertRGBToHSV(GetRValue(color) * k255, GetGValue(color) * k255, GetBValue(color) * k255, h, s, v);
    return s;
}

float JGeometryUtilities::GetValueFromRGB(unsigned long color)
{
    float h, s, v;
    ConvertRGBToHSV(GetRValue(color) * k255, GetGValue(color) * k255, GetBValue(color) * k255, h, s, v);
    return v;
}

int JGeometryUtilities::GetIntHueFromRGB(unsigned long color)
{
    int h, s, v;
    ConvertRGBToHSV(GetRValue(color), GetGValue(color), GetBValue(color), h, s, v);
    return h;
}

int JGeometryUtilities::GetIntSaturationFromRGB(unsigned long color)
{
    int h, s, v;
    ConvertRGBToHSV(GetRValue(color), GetGValue(color), GetBValue(color), h, s, v);
    return s;
}

int JGeometryUtilities::GetIntValueFromRGB(unsigned long color)
{
    int h, s, v;
    ConvertRGBToHSV(GetRValue(color), GetGValue(color), GetBValue(color), h, s, v);
    return v;
}

int JGeometryUtilities::ConvertHSVToRGB(int h, int s, int v, int& r, int& g, int& b)
{
    float rf, gf, bf;
    ConvertHSVToRGB(static_cast<float>(h), s * k255, v * k255, rf, gf, bf);
    r = platform::TruncToInt(rf * 255.0f);
    g = platform::TruncToInt(gf * 255.0f);
    b = platform::TruncToInt(bf * 255.0f);
    return 1;
}

int JGeometryUtilities::ConvertHSVToRGB(float h, float s, float v, float& r, float& g, float& b)
{
    if (s == 0.0f)
        r = g = b = v;
    if (h < 0.0f)
        h = -h;
    if (h > 360.0f)
        h = h * 0.0027777778f; // divided by 360, not reduced modulo 360
    if (h == 360.0f)
        h = 0.0f;
    const float hh = h * 0.016666668f;
    const double sector = std::floor(static_cast<double>(hh));
    // Sectors outside 0..5 (also from a NaN or a huge hue) give grey.
    const int i = sector >= 0.0 && sector < 6.0 ? static_cast<int>(sector) : -1;
    const float f = i >= 0 ? hh - static_cast<float>(i) : 0.0f;
    const float p = (1.0f - s) * v;
    const float q = (1.0f - f * s) * v;
    const float t = (1.0f - (1.0f - f) * s) * v;
    switch (i) {
    case 0:
        r = v, g = t, b = p;
        break;
    case 1:
        r = q, g = v, b = p;
        break;
    case 2:
        r = p, g = v, b = t;
        break;
    case 3:
        r = p, g = q, b = v;
        break;
    case 4:
        r = t, g = p, b = v;
        break;
    case 5:
        r = v, g = p, b = q;
        break;
    default:
        r = v, g = v, b = v;
        break;
    }
    return 1;
}

int JGeometryUtilities::ConvertRGBToHSV(int r, int g, int b, int& h, int& s, int& v)
{
    float hf, sf, vf;
    ConvertRGBToHSV(r * k255, g * k255, b * k255, hf, sf, vf);
    h = platform::TruncToInt(hf);
    s = platform::TruncToInt(sf * 255.0f);
    v = platform::TruncToInt(vf * 255.0f);
    return 1;
}

int JGeometryUtilities::ConvertRGBToHSV(float r, float g, float b, float& h, float& s, float& v)
{
    float max = r;
    if (g > max)
        max = g;
    if (b > max)
        max = b;
    float min = r;
    if (g < min)
        min = g;
    if (b < min)
        min = b;
    v = max;
    if (max == 0.0f) {
        s = 0.0f;
        h = 0.0f;
        return 1;
    }
    const float delta = max - min;
    s = delta / max;
    if (delta == 0.0f) {
        h = 0.0f;
    } else {
        if (r == max)
            h = (g - b) / delta;
        else if (g == max)
            h = (b - r) / delta + 2.0f;
        else
            h = (r - g) / delta + 4.0f;
        h = h * 60.0f;
        if (h < 0.0f)
            h = h + 360.0f;
    }
    return 1;
}

unsigned long JGeometryUtilities::InterpolateHSV(float hA, float sA, float vA, float hB, float sB, float vB, float t)
{
    return HSVtoRGB((1.0f - t) * hA + t * hB, (1.0f - t) * sA + t * sB, (1.0f - t) * vA + t * vB);
}

unsigned long JGeometryUtilities::InterpolateRGB(unsigned long c1, unsigned long c2, float t)
{
    auto channel = [t](int a, int b) { return lowByte(((1.0f - t) * (a / 255.0f) + t * (b / 255.0f)) * 255.0f); };
    return pack(channel(GetRValue(c1), GetRValue(c2)), channel(GetGValue(c1), GetGValue(c2)),
        channel(GetBValue(c1), GetBValue(c2)));
}
