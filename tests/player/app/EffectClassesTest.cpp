// Colour ramps, turbulence, attractors and fading pictures: results on small cases worked out by hand,
// and the same bits on one thread or two with all of them in one busy scene.
#include "particle/constraints/Attractor.h"
#include "particle/constraints/ColourRamp.h"
#include "particle/constraints/ImageFade.h"
#include "particle/constraints/ImageText.h"
#include "particle/constraints/Turbulence.h"
#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleSystem.h"
#include "platform/Random.h"
#include "player/imaging/store/CImageStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

ParticleBase particleAt(float x, float y, float dx = 0.0f, float dy = 0.0f, int age = 0)
{
    ParticleBase p;
    p.setLocationX(x);
    p.setLocationY(y);
    p.setDeltaX(dx);
    p.setDeltaY(dy);
    p.setAge(age);
    return p;
}

TEST(ColourRamp, ColourAtAnAgeOrSpeed)
{
    struct Case {
        const char* params;
        float dx, dy;
        int age;
        COLORREF expected;
    };
    const Case cases[] = {
        // Halfway along a 10-step span: the colour is halfway, then three quarters opaque against black.
        { "<Stops>0 0 0 0 1; 1 200 100 50 0.5</Stops><Span>10</Span>", 0, 0, 5, RGB(75, 38, 19) },
        { "<Stops>0 0 0 0 1; 1 200 100 50 0.5</Stops><Span>10</Span>", 0, 0, 20, RGB(100, 50, 25) }, // past the end
        // Stops out of order, a malformed one left out, and ages taken as they are with Span 0.
        { "<Stops>10 0 0 200; 5 9 9 x; 0 100 0 0</Stops><Span>0</Span>", 0, 0, 5, RGB(50, 0, 100) },
        // By speed: 3-4-5 is past the last stop, a speed of 2 halfway.
        { "<By>Speed</By><Span>0</Span><Stops>0 0 0 255; 4 255 0 0</Stops>", 3, 4, 0, RGB(255, 0, 0) },
        { "<By>speed</By><Span>0</Span><Stops>0 0 0 255; 4 255 0 0</Stops>", 0, 2, 0, RGB(128, 0, 128) },
    };
    for (const Case& c : cases) {
        ColourRamp ramp;
        ramp.setParametersFromString(c.params);
        ParticleBase p = particleAt(0, 0, c.dx, c.dy, c.age);
        ramp.apply(&p);
        EXPECT_EQ(p.getColor(), c.expected) << c.params << " age " << c.age;
    }
}

TEST(Attractor, PullsBySoftenedInverseSquareAndOrbits)
{
    Attractor a;
    a.setParametersFromString(
        "<CenterX>0</CenterX><CenterY>0</CenterY><Strength>1000</Strength><Softening>0</Softening>");
    float dx = 1.0f;
    float dy = 1.0f;
    a.velocityChange(10.0f, 0.0f, dx, dy); // 1000 / 10^2 towards the point
    EXPECT_FLOAT_EQ(dx, -10.0f);
    EXPECT_EQ(dy, 0.0f);
    EXPECT_FALSE(a.velocityChange(0.0f, 0.0f, dx, dy)); // at the point itself: not a division by zero
    a.setParametersFromString("<Softening>10</Softening><Strength>-1000</Strength>");
    a.velocityChange(0.0f, 10.0f, dx, dy); // 1000 * 10 / 200^1.5, pushed away
    EXPECT_NEAR(dy, 3.5355339f, 1e-5f);

    // One turn in four steps about (100, 100): a quarter turn per step, clockwise on screen.
    ParticleCollection none;
    a.setParametersFromString("<CenterX>100</CenterX><CenterY>100</CenterY><Orbit Radius>50</Orbit Radius>"
                              "<Orbit Period>4</Orbit Period>");
    const float expected[][2] = { { 150, 100 }, { 100, 150 }, { 50, 100 }, { 100, 50 }, { 150, 100 } };
    for (const auto& point : expected) {
        a.apply(&none);
        EXPECT_NEAR(a.pointX(), point[0], 1e-4f);
        EXPECT_NEAR(a.pointY(), point[1], 1e-4f);
    }
}

TEST(Turbulence, SmoothSeededSourceFreeAndLeavesTheRandomSequenceAlone)
{
    Turbulence t;
    t.setParametersFromString("<Scale>50</Scale><Strength>2</Strength><Seed>7</Seed>");
    float dx = 1.0f;
    float dy = 1.0f;
    // On a lattice point the noise is flat: no push.
    ASSERT_TRUE(t.velocityChange(100.0f, -50.0f, dx, dy));
    EXPECT_EQ(dx, 0.0f);
    EXPECT_EQ(dy, 0.0f);
    // Smooth across a cell edge, and without sources: the divergence is nought.
    float ax = 0.0f, ay = 0.0f, bx = 0.0f, by = 0.0f;
    t.velocityChange(99.99f, 37.0f, ax, ay);
    t.velocityChange(100.01f, 37.0f, bx, by);
    EXPECT_NEAR(ax, bx, 1e-3f);
    EXPECT_NEAR(ay, by, 1e-3f);
    const float h = 0.01f;
    float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f, x3 = 0.0f, y3 = 0.0f, x4 = 0.0f, y4 = 0.0f;
    t.velocityChange(73.0f + h, 21.0f, x1, y1);
    t.velocityChange(73.0f - h, 21.0f, x2, y2);
    t.velocityChange(73.0f, 21.0f + h, x3, y3);
    t.velocityChange(73.0f, 21.0f - h, x4, y4);
    EXPECT_NEAR((x1 - x2) / (2 * h) + (y3 - y4) / (2 * h), 0.0f, 2e-3f);
    EXPECT_GT(std::fabs(x1) + std::fabs(y1), 0.01f);
    // Another seed, another field; far away or with no scale, nothing.
    Turbulence other;
    other.setParametersFromString("<Scale>50</Scale><Strength>2</Strength><Seed>8</Seed>");
    other.velocityChange(73.0f + h, 21.0f, dx, dy);
    EXPECT_NE(dx, x1);
    EXPECT_FALSE(t.velocityChange(1e30f, 0.0f, dx, dy));
    other.setParametersFromString("<Scale>0</Scale>");
    EXPECT_FALSE(other.velocityChange(1.0f, 1.0f, dx, dy));

    platform::SeedRand(5);
    const int first = platform::Rand();
    platform::SeedRand(5);
    ParticleCollection particles;
    particles.addParticle(std::make_unique<ParticleBase>(particleAt(10, 10)));
    t.apply(&particles);
    EXPECT_EQ(platform::Rand(), first);
}

class PictureSteps : public ::testing::Test {
protected:
    CImageStore store;
    ParticleSystem system;

    void SetUp() override { system.SetImageProvider(&store); }
    void TearDown() override { system.SetImageProvider(nullptr); }

    IImage* add(const char* name, int width, int height, COLORREF fill)
    {
        std::unique_ptr<IImage> image = store.CreateImage(width, height);
        image->Fill(fill);
        IImage* raw = image.get();
        store.AddImage(name, std::move(image));
        return raw;
    }
};

TEST_F(PictureSteps, FadeAfterSomeSteps)
{
    ImageFade fade;
    EXPECT_EQ(fade.apply(&system), 0) << "no RENDER yet";
    IImage* render = add("RENDER", 2, 1, RGB(200, 100, 3));
    render->SetPixel(1, 0, RGB(250, 250, 250));
    fade.setParametersFromString("<Factor>0.5</Factor>");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(fade.apply(&system), 1);
    // 200 100 50 25; 100 50 25 13 (a half level is cut); 3 2 1 0 (at least one level a step).
    EXPECT_EQ(render->GetPixel(0, 0), RGB(25, 13, 0));
    // Towards a grey background from either side.
    fade.setParametersFromString("<Factor>0.25</Factor><Red>100</Red><Green>100</Green><Blue>100</Blue>");
    fade.apply(&system);
    EXPECT_EQ(render->GetPixel(0, 0), RGB(43, 34, 25));
    EXPECT_EQ(render->GetPixel(1, 0), RGB(49, 49, 49)); // 250 125 63 32, then up by a quarter of 68
}

TEST_F(PictureSteps, TextLightsTheGlyphsPixels)
{
    // "I" in DejaVu Sans is the rectangle x 201..403, y 0..1493 in units of a 2048 em; at 64 pixels an
    // em a unit is 1/32 pixel and the baseline lies at round(1901 / 32) = 59. So the stem spans
    // x 6.28..12.59 (7 columns, 5 of them whole) and y 12.34..59 (47 rows, 46 whole).
    ImageText text;
    text.setParametersFromString("<Text>I</Text><Font Size>64</Font Size><Every>2</Every><Red>200</Red>");
    ASSERT_EQ(text.apply(&system), 1);
    IImage* picture = store.GetImage("TEXT");
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->GetWidth(), 320);
    int lit = 0;
    int whole = 0;
    for (int y = 0; y < picture->GetHeight(); ++y) {
        for (int x = 0; x < picture->GetWidth(); ++x) {
            const COLORREF c = picture->GetPixel(x, y);
            lit += c != 0 ? 1 : 0;
            whole += c == RGB(200, 255, 255) ? 1 : 0;
        }
    }
    EXPECT_EQ(lit, 7 * 47);
    EXPECT_EQ(whole, 5 * 46);
    EXPECT_EQ(picture->GetPixel(9, 30), RGB(200, 255, 255));
    // Written again every second step only.
    picture->Fill(0);
    text.apply(&system);
    EXPECT_EQ(picture->GetPixel(9, 30), 0u);
    text.apply(&system);
    EXPECT_EQ(picture->GetPixel(9, 30), RGB(200, 255, 255));
    // No picture to write into and none to make: nothing, and said so.
    text.setParametersFromString("<Image>OTHER</Image><Width>0</Width>");
    text.apply(&system); // step 3: not a writing step
    EXPECT_EQ(text.apply(&system), 0);
}

std::string bits(IGlintmote* p)
{
    const float fields[] = { p->getLocationX(), p->getLocationY(), p->getDeltaX(), p->getDeltaY() };
    std::string text(reinterpret_cast<const char*>(fields), sizeof fields);
    const unsigned long colour = p->getColor();
    return text + std::to_string(colour) + "," + std::to_string(p->getAge()) + ";";
}

// 10^5 particles under every new class, with a render into a fading picture, on 1 and on 2 threads.
std::string play(int threads)
{
    parallel::Configure(threads, threads > 1);
    platform::SeedRand(1);
    CImageStore store;
    ParticleSystem system;
    system.SetImageProvider(&store);
    std::unique_ptr<IImage> render = store.CreateImage(320, 240);
    render->Fill(0);
    IImage* picture = render.get();
    store.AddImage("RENDER", std::move(render));
    ConstraintCollection& c = system.constraints;
    c.addConstraint("image.ImageFade", "<Factor>0.2</Factor>");
    c.addConstraint("factory.ParticlesSquare",
        "<CenterX>160</CenterX><CenterY>120</CenterY><Amount>20000</Amount><MinDx>-2</MinDx><MaxDx>2</MaxDx>");
    c.addConstraint("constraint.Turbulence", "<Scale>40</Scale><Strength>0.3</Strength><Speed>0.05</Speed>");
    c.addConstraint("constraint.Attractor",
        "<Strength>300</Strength><Orbit Radius>60</Orbit Radius><Orbit Period>30</Orbit Period>");
    c.addConstraint("constraint.Force", "<DeltaY>0.02</DeltaY>");
    c.addConstraint("constraint.ColourRamp", "<Stops>0 255 255 0; 0.5 255 0 0; 1 0 0 255 0.2</Stops><Span>8</Span>");
    c.addConstraint("constraint.ColourRamp", "<Group>1</Group><By>speed</By><Span>5</Span>");
    c.addConstraint("image.ImageText", "<Image>RENDER</Image><Every>2</Every><Y>100</Y>");
    c.addConstraint("render.RenderSimple", "<Alpha Current>0.0</Alpha Current>");
    for (int i = 0; i < 5; ++i)
        system.step();
    std::string text = std::to_string(system.particles.getParticleCount()) + ":";
    for (int i = 0; i < system.particles.getParticleCount(); ++i)
        text += bits(system.particles.getParticle(i));
    for (int y = 0; y < picture->GetHeight(); ++y) {
        for (int x = 0; x < picture->GetWidth(); ++x)
            text += std::to_string(picture->GetPixel(x, y)) + ",";
    }
    system.SetImageProvider(nullptr);
    parallel::Configure(0, false);
    return text;
}

TEST(EffectClasses, SameBitsOnOneThreadOrTwo)
{
    const std::string serial = play(1);
    EXPECT_GT(serial.size(), 100000u * 16u);
    EXPECT_TRUE(serial == play(2));
}

} // namespace
