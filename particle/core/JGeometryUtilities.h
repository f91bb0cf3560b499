#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/Point3D.h"

// Random numbers, angles, vectors, interpolation and HSV/RGB colour conversion shared by the engine and
// the player. Float HSV uses hue in degrees and saturation, value and components in 0..1; int HSV uses
// whole degrees and 0..255. The composite conversions call the primitive ones through this class's
// virtual functions, so a subclass that overrides a primitive changes them all.
class PARTICLE_EXPORT JGeometryUtilities {
public:
    virtual ~JGeometryUtilities() = default;

    // Uniform in [min, max] from the process's random generator; min (and no draw) when max < min.
    virtual float GetRandomFloat(float min, float max);
    virtual float PointDistanceFromPoint(Point3D a, Point3D b);
    virtual float PointDistanceFromLine(float p1, float p2, float p3, float p4, float p5, float p6);
    // atan2(y2 - y1, x2 - x1) in radians; 0 for coinciding points.
    virtual float GetLineSegmentAngle(float x1, float y1, float x2, float y2);
    virtual unsigned char IsPointBetweenAngles(float x1, float y1, float x2, float y2, float start, float width);
    virtual float GetDeltaXOfVector(float angle, float magnitude);
    virtual float GetDeltaYOfVector(float angle, float magnitude);
    virtual Point3D GetPoint3DOfVectorForce(float angle1, float angle2, float magnitude);
    // b at pos = start, a at pos = end; a when start equals end.
    virtual float InterpolateFloatLinear(float a, float b, int start, int end, int pos);
    // (cos(a c pi) + 1) / 2 * b
    virtual float InterpolateFloatCosine(float a, float b, float c);
    // a at pos = start and, for one period, b at pos = end.
    virtual float InterpolateFloatCosine(float a, float b, int start, int end, int pos, float periods);
    virtual unsigned long HSVtoRGB(int h, int s, int v);
    virtual unsigned long HSVtoRGB(float h, float s, float v);
    virtual int GetRedFromHSV(int h, int s, int v);
    virtual float GetRedFromHSV(float h, float s, float v);
    virtual int GetGreenFromHSV(int h, int s, int v);
    virtual float GetGreenFromHSV(float h, float s, float v);
    virtual int GetBlueFromHSV(int h, int s, int v);
    virtual float GetBlueFromHSV(float h, float s, float v);
    virtual float GetHueFromRGB(unsigned long color);
    virtual float GetSaturationFromRGB(unsigned long color);
    virtual float GetValueFromRGB(unsigned long color);
    virtual int GetIntHueFromRGB(unsigned long color);
    virtual int GetIntSaturationFromRGB(unsigned long color);
    virtual int GetIntValueFromRGB(unsigned long color);
    virtual int ConvertHSVToRGB(int h, int s, int v, int& r, int& g, int& b);
    virtual int ConvertHSVToRGB(float h, float s, float v, float& r, float& g, float& b);
    virtual int ConvertRGBToHSV(int r, int g, int b, int& h, int& s, int& v);
    virtual int ConvertRGBToHSV(float r, float g, float b, float& h, float& s, float& v);
    // Hue is interpolated as a plain number, without wrapping round the circle.
    virtual unsigned long InterpolateHSV(float hA, float sA, float vA, float hB, float sB, float vB, float t);
    virtual unsigned long InterpolateRGB(unsigned long c1, unsigned long c2, float t);
};
