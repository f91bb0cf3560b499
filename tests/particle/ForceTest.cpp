#include "particle/constraints/Force.h"
#include "particle/constraints/OmniForce.h"
#include "particle/constraints/ParticlesSquare.h"
#include "particle/constraints/VortexForce.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleCollection.h"
#include "platform/CDC.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

ParticleBase particleAt(float x, float y)
{
    ParticleBase p;
    p.setLocationX(x);
    p.setLocationY(y);
    return p;
}

int lineCount(const CString& text)
{
    int lines = 0;
    for (int at = text.Find("\r\n"); at >= 0; at = text.Find("\r\n", at + 2))
        ++lines;
    return lines;
}

} // namespace

TEST(ForceTest, AddsItsDeltaEveryApplicationToItsGroupOnly)
{
    Force force;
    ParticleBase p;
    force.apply(&p);
    EXPECT_FLOAT_EQ(p.getDeltaX(), 0.0f);
    EXPECT_FLOAT_EQ(p.getDeltaY(), 0.75f);
    force.apply(&p);
    EXPECT_FLOAT_EQ(p.getDeltaY(), 1.5f);

    force.setParametersFromString("<Group>2</Group><DeltaX>-1</DeltaX>");
    ParticleCollection particles;
    particles.addParticle(std::make_unique<ParticleBase>());
    auto grouped = std::make_unique<ParticleBase>();
    grouped->setGroup(2);
    particles.addParticle(std::move(grouped));
    force.apply(&particles);
    EXPECT_FLOAT_EQ(particles.getParticle(0)->getDeltaY(), 0.0f);
    EXPECT_FLOAT_EQ(particles.getParticle(1)->getDeltaX(), -1.0f);
    EXPECT_FLOAT_EQ(particles.getParticle(1)->getDeltaY(), 0.75f);
}

TEST(ForceTest, DescribesItselfInFourLines)
{
    EXPECT_EQ(Force().getParameterExample(),
        "<Group>-1</Group>\r\n<Resource Only>false</Resource Only>\r\n"
        "<DeltaX>0.000000</DeltaX>\r\n<DeltaY>0.750000</DeltaY>\r\n");
}

TEST(OmniForceTest, PullsTowardsTheCentreWithCosineFalloff)
{
    OmniForce omni;
    ParticleBase p = particleAt(400, 300); // d = 100, f = 0.3125, m = -0.7778
    omni.apply(&p);
    EXPECT_NEAR(p.getDeltaX(), -0.6222f, 1e-4);
    EXPECT_NEAR(p.getDeltaY(), -0.4667f, 1e-4);

    ParticleBase half = particleAt(480, 240); // halfway between the radii
    omni.apply(&half);
    EXPECT_NEAR(half.getDeltaX(), -0.5f, 1e-6);
    EXPECT_FLOAT_EQ(half.getDeltaY(), 0.0f);
}

TEST(OmniForceTest, InsideTheInnerRadiusTheStrengthFallsOffAgain)
{
    OmniForce omni;
    omni.setParametersFromString("<RadiusIn>100</RadiusIn><RadiusOut>300</RadiusOut><Force>2</Force>");
    ParticleBase p = particleAt(370, 240); // d = 50, f = -0.25
    omni.apply(&p);
    EXPECT_NEAR(p.getDeltaX(), 1.70711f, 1e-4);
    EXPECT_FLOAT_EQ(p.getDeltaY(), 0.0f);
}

TEST(RadialFieldTest, LeavesParticlesOutsideTheFieldAndAtTheCentreAlone)
{
    OmniForce omni;
    VortexForce vortex;
    OmniForce flatOmni;
    VortexForce flatVortex;
    for (IConstraint* flat : std::initializer_list<IConstraint*> { &flatOmni, &flatVortex })
        flat->setParametersFromString("<RadiusIn>50</RadiusIn><RadiusOut>50</RadiusOut>");
    struct Case {
        IConstraint* field;
        float x;
    };
    const Case cases[] = {
        { &omni, 640.0f }, { &omni, 1000.0f }, { &vortex, 640.0f }, { &vortex, 1000.0f }, { &flatOmni, 330.0f },
        { &flatOmni, 370.0f }, { &flatVortex, 330.0f }, { &flatVortex, 370.0f },
        { &omni, 320.0f }, // exactly at the centre: no direction to push in
    };
    for (const Case& c : cases) {
        ParticleBase p = particleAt(c.x, 240);
        p.setDeltaX(1.5f);
        EXPECT_EQ(c.field->apply(&p), 1);
        EXPECT_EQ(p.getDeltaX(), 1.5f) << c.field->GetClassName().c_str() << " at x " << c.x;
        EXPECT_EQ(p.getDeltaY(), 0.0f) << c.field->GetClassName().c_str() << " at x " << c.x;
    }
}

TEST(VortexForceTest, TurnsAnticlockwiseWithNegativeForce)
{
    VortexForce vortex;
    ParticleBase p = particleAt(480, 240); // target about (460.413, 163.292)
    vortex.apply(&p);
    EXPECT_NEAR(p.getDeltaX(), -19.587f, 1e-3);
    EXPECT_NEAR(p.getDeltaY(), -76.708f, 1e-3);
}

TEST(RadialFieldTest, ReadsPartialTextAndRoundTripsItsExample)
{
    OmniForce omni;
    omni.setParametersFromString("<Force>3</Force>");
    const CString fresh = OmniForce().getParameterExample();
    EXPECT_EQ(lineCount(fresh), 8);
    EXPECT_EQ(fresh,
        "<Group>-1</Group>\r\n<Resource Only>false</Resource Only>\r\n<RadiusIn>0.000000</RadiusIn>\r\n"
        "<RadiusOut>320.000000</RadiusOut>\r\n<Force>-1.000000</Force>\r\n<CenterX>320.000000</CenterX>\r\n"
        "<CenterY>240.000000</CenterY>\r\n<CenterZ>0.000000</CenterZ>\r\n");
    CString expected = fresh;
    expected = expected.Left(expected.Find("<Force>")) + "<Force>3.000000</Force>"
        + expected.Mid(expected.Find("</Force>") + 8);
    EXPECT_EQ(omni.getParameterExample(), expected);

    VortexForce vortex;
    vortex.setParametersFromString("<Group>4</Group><CenterZ>7</CenterZ><RadiusIn>9</RadiusIn>");
    vortex.setParametersFromString(VortexForce().getParameterExample());
    EXPECT_EQ(vortex.getParameterExample(), VortexForce().getParameterExample());
}

// The outlines are drawn inverted, so drawing twice restores the picture exactly.
TEST(RadialFieldTest, DrawsInvertedOutlinesAndIndicatorAndRestoresTheContext)
{
    CDC dc(100, 100);
    OmniForce omni;
    omni.setParametersFromString("<CenterX>50</CenterX><CenterY>50</CenterY><RadiusIn>10</RadiusIn>"
                                 "<RadiusOut>30</RadiusOut><Force>-1</Force>");
    EXPECT_EQ(omni.draw(&dc, CSize(100, 100)), 1);
    const COLORREF white = RGB(255, 255, 255);
    const COLORREF black = RGB(0, 0, 0);
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
    // The indicator: ten pixels down from the centre for an attracting unit force.
    EXPECT_EQ(dc.GetPixel(50, 50), white);
    EXPECT_EQ(dc.GetPixel(50, 55), white);
    EXPECT_EQ(dc.GetPixel(50, 58), white);
    EXPECT_EQ(dc.GetPixel(50, 59), black); // where it crosses the inner circle it inverts back
    EXPECT_EQ(dc.GetPixel(50, 61), black);
    // Both circles cross a row just above the centre; nothing is filled inside either circle.
    int crossings = 0;
    for (int x = 0; x < 100; ++x)
        crossings += dc.GetPixel(x, 45) == white ? 1 : 0;
    EXPECT_EQ(crossings, 4);
    EXPECT_EQ(dc.GetPixel(45, 45), black);
    EXPECT_EQ(dc.GetPixel(30, 50), black);
    EXPECT_EQ(dc.GetPixel(5, 5), black);

    omni.draw(&dc, CSize(100, 100));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(dc.GetPixel(x, y), black) << x << "," << y;
}

TEST(RadialFieldTest, VortexIndicatorRunsAlongTheTopOfTheRing)
{
    CDC dc(100, 100);
    VortexForce vortex;
    vortex.setParametersFromString("<CenterX>50</CenterX><CenterY>60</CenterY><RadiusIn>10</RadiusIn>"
                                   "<RadiusOut>30</RadiusOut><Force>2</Force>");
    vortex.draw(&dc, CSize(100, 100));
    // y0 = 60 - (10 + 30) / 2 = 40; the stroke runs from x 50 towards 70.
    EXPECT_EQ(dc.GetPixel(55, 40), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(69, 40), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(70, 40), RGB(0, 0, 0));
}

TEST(ParticlesSquareDrawTest, FillsTheRectangleOfFirstStepPositions)
{
    CDC dc(100, 100);
    ParticlesSquare square;
    square.setParametersFromString("<CenterX>50</CenterX><CenterY>50</CenterY>");
    EXPECT_EQ(square.draw(&dc, CSize(100, 100)), 1);
    const COLORREF red = RGB(127, 0, 0); // hue 0, saturation 1, brightness 0.5
    EXPECT_EQ(dc.GetPixel(44, 44), red);
    EXPECT_EQ(dc.GetPixel(55, 55), red);
    EXPECT_EQ(dc.GetPixel(56, 50), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(43, 50), RGB(0, 0, 0));
}
