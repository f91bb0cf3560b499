#include "particle/core/JGeometryUtilities.h"
#include "particle/core/Matrix3D.h"
#include "platform/CDC.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

JGeometryUtilities geo;

TEST(Geometry, RandomFloatDrawsFromTheSharedSequence)
{
    platform::SeedRand();
    EXPECT_FLOAT_EQ(geo.GetRandomFloat(0.0f, 32767.0f), 41.0f * 3.0518509e-05f * 32767.0f);
    EXPECT_FLOAT_EQ(geo.GetRandomFloat(5.0f, 2.0f), 5.0f); // no draw
    EXPECT_FLOAT_EQ(geo.GetRandomFloat(3.0f, 3.0f), 3.0f); // a draw
    EXPECT_EQ(platform::Rand(), 6334); // the third value: the equal-bounds call drew, the reversed one did not
    for (int i = 0; i < 1000; ++i) {
        float f = geo.GetRandomFloat(-6.0f, 6.0f);
        ASSERT_GE(f, -6.0f);
        ASSERT_LE(f, 6.0f);
    }
}

TEST(Geometry, HsvToRgbPrimariesAndHueRules)
{
    EXPECT_EQ(geo.HSVtoRGB(0.0f, 1.0f, 1.0f), RGB(255, 0, 0));
    EXPECT_EQ(geo.HSVtoRGB(120.0f, 1.0f, 1.0f), RGB(0, 255, 0));
    EXPECT_EQ(geo.HSVtoRGB(240.0f, 1.0f, 1.0f), RGB(0, 0, 255));
    EXPECT_EQ(geo.HSVtoRGB(360.0f, 1.0f, 1.0f), RGB(255, 0, 0));
    EXPECT_EQ(geo.HSVtoRGB(-120.0f, 1.0f, 1.0f), geo.HSVtoRGB(120.0f, 1.0f, 1.0f));
    EXPECT_EQ(geo.HSVtoRGB(720.0f, 1.0f, 1.0f), geo.HSVtoRGB(2.0f, 1.0f, 1.0f)); // divided, not wrapped
    EXPECT_EQ(geo.HSVtoRGB(77.0f, 0.0f, 0.5f), RGB(127, 127, 127));
    EXPECT_EQ(geo.HSVtoRGB(0, 255, 255), RGB(255, 0, 0));
    // Degenerate hues give a colour, never undefined behaviour.
    EXPECT_EQ(geo.HSVtoRGB(std::nanf(""), 1.0f, 1.0f), RGB(255, 255, 255));
    EXPECT_EQ(geo.HSVtoRGB(1e30f, 1.0f, 1.0f), RGB(255, 255, 255));
}

TEST(Geometry, RgbToHsv)
{
    EXPECT_FLOAT_EQ(geo.GetHueFromRGB(0), 0.0f);
    EXPECT_FLOAT_EQ(geo.GetSaturationFromRGB(0), 0.0f);
    EXPECT_FLOAT_EQ(geo.GetSaturationFromRGB(RGB(128, 128, 128)), 0.0f);
    EXPECT_NEAR(geo.GetValueFromRGB(RGB(128, 128, 128)), 128.0f / 255.0f, 1e-6);
    EXPECT_EQ(geo.GetIntHueFromRGB(RGB(0, 0, 255)), 240);
    EXPECT_EQ(geo.GetIntSaturationFromRGB(RGB(0, 0, 255)), 255);
    EXPECT_NEAR(geo.GetHueFromRGB(RGB(255, 0, 128)), 329.88f, 0.01f); // negative sector wraps
}

TEST(Geometry, Interpolation)
{
    EXPECT_FLOAT_EQ(geo.InterpolateFloatLinear(10, 20, 0, 4, 0), 20.0f);
    EXPECT_FLOAT_EQ(geo.InterpolateFloatLinear(10, 20, 0, 4, 4), 10.0f);
    EXPECT_FLOAT_EQ(geo.InterpolateFloatCosine(10, 20, 0, 4, 0, 1.0f), 10.0f);
    EXPECT_FLOAT_EQ(geo.InterpolateFloatCosine(10, 20, 0, 4, 4, 1.0f), 20.0f);
    EXPECT_FLOAT_EQ(geo.InterpolateFloatLinear(10, 20, 3, 3, 1), 10.0f);
    EXPECT_FLOAT_EQ(geo.InterpolateFloatCosine(10, 20, 3, 3, 1, 1.0f), 10.0f);
    EXPECT_NEAR(geo.InterpolateFloatCosine(0.5f, 2.0f, 1.0f), 1.0f, 1e-6);
    EXPECT_EQ(geo.InterpolateRGB(RGB(0, 0, 0), RGB(255, 255, 255), 1.0f), RGB(255, 255, 255));
    EXPECT_EQ(geo.InterpolateHSV(0, 1, 1, 240, 1, 1, 0.5f), geo.HSVtoRGB(120.0f, 1.0f, 1.0f));
}

TEST(Geometry, AnglesAndVectors)
{
    EXPECT_NEAR(geo.GetLineSegmentAngle(0, 0, 0, 1), M_PI / 2, 1e-6);
    EXPECT_FLOAT_EQ(geo.GetLineSegmentAngle(3, 3, 3, 3), 0.0f);
    EXPECT_EQ(geo.IsPointBetweenAngles(0, 0, 1, 0, 0.0f, 1.0f), 0); // exactly at start: not between
    EXPECT_EQ(geo.IsPointBetweenAngles(0, 0, 1, 1, 0.0f, 1.0f), 1);
    Point3D p(3, 4, 0);
    p.Normalize();
    EXPECT_FLOAT_EQ(p.x, 0.6f);
    EXPECT_FLOAT_EQ(p.y, 0.8f);
    Point3D zero;
    zero.Normalize();
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_FLOAT_EQ(geo.PointDistanceFromPoint(Point3D(1, 1, 1), Point3D(4, 5, 1)), 5.0f);
}

TEST(Geometry, MatrixRotatesAndProjects)
{
    Matrix3D m;
    m.zrot(90.0);
    Point3D out;
    m.transform(Point3D(1, 0, 0), out);
    EXPECT_NEAR(out.x, 0.0f, 1e-6);
    EXPECT_NEAR(out.y, 1.0f, 1e-6);
    Matrix3D t;
    t.translate(10, 20, 0);
    Matrix3D s;
    s.scale(2, 2, 2);
    t.mult(s); // scale after translation
    float tx, ty, tz;
    t.transform(1, 1, 0, tx, ty, tz);
    EXPECT_FLOAT_EQ(tx, 22.0f);
    EXPECT_FLOAT_EQ(ty, 42.0f);
    const float v[] = { 1.9f, -1.9f, 0.0f };
    int tv[3];
    Matrix3D().transform(v, tv, 1);
    EXPECT_EQ(tv[0], 1);
    EXPECT_EQ(tv[1], -1);
}

TEST(Geometry, StarPointDrawsFourStrokesWithoutTheirEnds)
{
    CDC dc(20, 20);
    CPen pen(PS_SOLID, 0, RGB(255, 255, 255));
    dc.SelectObject(&pen);
    Point3D(10, 10, 0).DrawPoint(&dc, Matrix3D(), "star");
    for (auto [x, y] : { std::pair { 9, 10 }, { 10, 10 }, { 10, 9 }, { 9, 9 }, { 11, 9 } })
        EXPECT_NE(dc.GetPixel(x, y), 0u) << x << "," << y;
    for (auto [x, y] : { std::pair { 11, 10 }, { 10, 11 }, { 11, 11 }, { 9, 11 } })
        EXPECT_EQ(dc.GetPixel(x, y), 0u) << x << "," << y;
    CDC other(20, 20);
    Point3D(10, 10, 0).DrawPoint(&other, Matrix3D(), "Star"); // style names are exact
    EXPECT_EQ(other.GetPixel(9, 10), 0u);
}

} // namespace
