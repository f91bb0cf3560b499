#include "particle/core/ParticleSystem.h"
#include "particle/constraints/ParticleFactoryUniform.h"
#include "particle/constraints/ParticlesSquare.h"
#include "particle/core/ClassRegistry.h"
#include "particle/core/JGeometryUtilities.h"
#include "particle/core/ParticleBase.h"
#include "platform/CDC.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

namespace {

TEST(ParticleSystem, StartsEmptyWithItsDefaults)
{
    ParticleSystem s;
    EXPECT_EQ(s.particles.getParticleCount(), 0);
    EXPECT_EQ(s.constraints.getConstraintCount(), 0);
    EXPECT_EQ(s.getPartFactoryClass()->GetClassName(), "factory.ParticlesSquare");
    EXPECT_FLOAT_EQ(s.getInitialDxMin(), -6.0f);
    EXPECT_FLOAT_EQ(s.getInitialDyMax(), 6.0f);
    EXPECT_EQ(s.getParticleLimit(), -1);
    EXPECT_EQ(s.GetImageProvider(), nullptr);
}

TEST(ParticleSystem, CreatesParticlesWithDrawsInOrder)
{
    ParticleSystem s;
    platform::SeedRand();
    s.createParticles(15, CPoint(100, 50), 0.5f, 0.75f, 1.0f, 1.0f);
    ASSERT_EQ(s.particles.getParticleCount(), 15);
    // Replay the draws: x velocity, y velocity, hue, per particle.
    platform::SeedRand();
    JGeometryUtilities geo;
    for (int i = 0; i < 15; ++i) {
        IGlintmote* p = s.particles.getParticle(i);
        EXPECT_EQ(p->getLocationX(), 100.0f);
        EXPECT_EQ(p->getPreviousLocationY(), 50.0f);
        EXPECT_EQ(p->getDeltaX(), geo.GetRandomFloat(-6, 6));
        EXPECT_EQ(p->getDeltaY(), geo.GetRandomFloat(-6, 6));
        const float hue = geo.GetRandomFloat(0.5f, 0.75f) * 360.0f;
        EXPECT_EQ(p->getColor(), geo.HSVtoRGB(hue, 1.0f, 1.0f));
        EXPECT_GE(geo.GetHueFromRGB(p->getColor()), 179.0f);
        EXPECT_LE(geo.GetHueFromRGB(p->getColor()), 271.0f);
    }
    s.createParticles(0, CPoint(), 0, 1, 1, 1);
    s.createParticles(-3, CPoint(), 0, 1, 1, 1);
    EXPECT_EQ(s.particles.getParticleCount(), 15);
    s.setInitialDxMin(2.0f);
    s.setInitialDxMax(1.0f);
    s.setParticleLimit(16);
    s.createParticles(5, CPoint(), 0, 1, 1, 1);
    EXPECT_EQ(s.particles.getParticleCount(), 16);
    EXPECT_EQ(s.particles.getParticle(15)->getDeltaX(), 2.0f);
}

TEST(ParticleSystem, StepAppliesConstraintsThenMovesEveryParticle)
{
    ParticleSystem s;
    s.constraints.addConstraint("factory.ParticlesSquare", "<CenterX>10</CenterX><CenterY>20</CenterY>");
    s.constraints.addConstraint("factory.ParticlesSquare", "<Resource Only>true</Resource Only>");
    s.step();
    ASSERT_EQ(s.particles.getParticleCount(), 1); // the resource-only factory did not fire
    IGlintmote* p = s.particles.getParticle(0);
    // Made in this step and moved in the same step.
    EXPECT_EQ(p->getAge(), 1);
    EXPECT_EQ(p->getPreviousLocationX(), 10.0f);
    EXPECT_EQ(p->getLocationX(), 10.0f + p->getDeltaX());
}

TEST(ParticleSystem, PrototypesAreReplacedByFreshObjects)
{
    ParticleSystem s;
    EXPECT_EQ(s.setNewParticleClass("constraint.ConstraintCollection"), 0);
    EXPECT_EQ(s.setNewParticleClass("zrk.particle.ParticleBase"), 1);
    EXPECT_EQ(s.setNewParticleClass(static_cast<IGlintmote*>(nullptr)), 0);
    EXPECT_EQ(s.setPartFactoryClass("no.such.Class"), 0);
    IConstraint* before = s.getPartFactoryClass();
    EXPECT_EQ(s.setPartFactoryClass(before), 1); // passing the current one is safe
    ParticlesSquare configured;
    configured.setParametersFromString("<Amount>9</Amount>");
    EXPECT_EQ(s.setPartFactoryClass(&configured), 1);
    EXPECT_NE(s.getPartFactoryClass(), &configured);
    EXPECT_NE(s.getPartFactoryClass()->getParameterExample().Find("<Amount>1</Amount>"), -1);
    EXPECT_EQ(s.setPartFactoryClass("factory.ParticleFactoryUniform"), 1);
    EXPECT_EQ(s.getPartFactoryClass()->GetClassName(), "factory.ParticleFactoryUniform");
}

TEST(ParticleSystem, PartFactoryKeepsSettingsBetweenShots)
{
    ParticleSystem s;
    s.applyPartFactory("<Amount>3</Amount><CenterX>12.000000</CenterX>\r\n<CenterY>34.000000</CenterY>\r\n");
    s.applyPartFactory("<CenterX>1</CenterX>");
    ASSERT_EQ(s.particles.getParticleCount(), 6);
    EXPECT_EQ(s.particles.getParticle(2)->getLocationY(), 34.0f);
    EXPECT_EQ(s.particles.getParticle(5)->getLocationX(), 1.0f);
    EXPECT_EQ(s.particles.getParticle(5)->getLocationY(), 34.0f);
}

TEST(ParticlesSquare, EmitsOneDefaultParticleAndHonoursTheLimit)
{
    ParticleSystem s;
    ParticlesSquare square;
    EXPECT_EQ(square.apply(&s), 1);
    ASSERT_EQ(s.particles.getParticleCount(), 1);
    IGlintmote* p = s.particles.getParticle(0);
    EXPECT_EQ(p->getLocationX(), 320.0f);
    EXPECT_EQ(p->getPreviousLocationY(), 240.0f);
    EXPECT_EQ(p->getGroup(), 0);
    JGeometryUtilities geo;
    EXPECT_NEAR(geo.GetSaturationFromRGB(p->getColor()), 1.0f, 1e-6);
    EXPECT_NEAR(geo.GetValueFromRGB(p->getColor()), 0.5f, 0.01f);

    for (int i = 0; i < 7; ++i)
        s.particles.addParticle(std::make_unique<ParticleBase>());
    square.setParametersFromString("<Limit>10</Limit><Amount>5</Amount><MaxDx>-9</MaxDx>");
    square.apply(&s);
    EXPECT_EQ(s.particles.getParticleCount(), 10);
    EXPECT_EQ(s.particles.getParticle(9)->getDeltaX(), -6.0f); // max below min: min
    square.setParametersFromString("<Amount>-2</Amount><Limit>-1</Limit>");
    square.apply(&s);
    EXPECT_EQ(s.particles.getParticleCount(), 10);
}

TEST(ParticlesSquare, UnknownParticleClassKeepsThePrototype)
{
    ParticlesSquare square;
    EXPECT_EQ(square.setParametersFromString("<ParticleClass>no.Such</ParticleClass>"), 1);
    EXPECT_NE(square.getParameterExample().Find("<ParticleClass></ParticleClass>"), -1);
    square.setParametersFromString("<ParticleClass>zrk.particle.ParticleBase</ParticleClass>");
    EXPECT_NE(square.getParameterExample().Find("<ParticleClass>zrk.particle.ParticleBase</ParticleClass>"), -1);
    EXPECT_EQ(square.setParticlePrototype(nullptr), 0);
}

TEST(ParticlesSquare, DrawsTheVelocityRectangle)
{
    ParticlesSquare square;
    square.setParametersFromString("<CenterX>10</CenterX><CenterY>10</CenterY><HueMin>0</HueMin>"
                                   "<Brightness>1</Brightness>");
    CDC dc(32, 32);
    square.draw(&dc, CSize(32, 32));
    EXPECT_EQ(dc.GetPixel(4, 4), RGB(255, 0, 0));
    EXPECT_EQ(dc.GetPixel(15, 15), RGB(255, 0, 0));
    EXPECT_EQ(dc.GetPixel(16, 16), 0u); // right and bottom are exclusive
    EXPECT_EQ(dc.GetPixel(3, 10), 0u);
}

TEST(ParticleFactoryUniform, EvenBatchSpreadsRightDownLeftUp)
{
    ParticleSystem s;
    ParticleFactoryUniform fan;
    fan.setParametersFromString("<Randomize>false</Randomize><Amount>4</Amount>");
    fan.apply(&s);
    ASSERT_EQ(s.particles.getParticleCount(), 4);
    const float expected[4][2] = { { 6, 0 }, { 0, 4.5f }, { -3, 0 }, { 0, -1.5f } };
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(s.particles.getParticle(i)->getDeltaX(), expected[i][0], 1e-4) << i;
        EXPECT_NEAR(s.particles.getParticle(i)->getDeltaY(), expected[i][1], 1e-4) << i;
    }
    ParticleFactoryUniform up;
    up.setParametersFromString(
        "<MinAngle>90</MinAngle><MaxAngle>90</MaxAngle><MinForce>1</MinForce><Amount>20</Amount>");
    up.apply(&s);
    for (int i = 4; i < 24; ++i) {
        EXPECT_LT(s.particles.getParticle(i)->getDeltaY(), 0.0f);
        EXPECT_NEAR(s.particles.getParticle(i)->getDeltaX(), 0.0f, 1e-5);
    }
}

TEST(ParticleFactoryUniform, SameDrawsGiveTheSameParticles)
{
    auto run = [] {
        platform::SeedRand();
        ParticleSystem s;
        s.constraints.addConstraint("factory.ParticleFactoryUniform", "<Amount>50</Amount>");
        s.step();
        std::vector<float> values;
        for (int i = 0; i < s.particles.getParticleCount(); ++i) {
            IGlintmote* p = s.particles.getParticle(i);
            values.insert(values.end(),
                { p->getLocationX(), p->getLocationY(), p->getDeltaX(), p->getDeltaY(),
                    static_cast<float>(p->getColor()) });
        }
        return values;
    };
    EXPECT_EQ(run(), run());
}

TEST(ClassRegistry, CreatesByExactIdentifierAndKind)
{
    ClassRegistry r;
    EXPECT_EQ(r.particleClassCount(), 1);
    EXPECT_EQ(r.particleClassName(0), "zrk.particle.ParticleBase");
    EXPECT_EQ(r.particleClassName(1), "");
    EXPECT_EQ(r.constraintClassName(-1), "");
    EXPECT_EQ(r.constraintClassName(r.constraintClassCount()), "");
    EXPECT_EQ(r.createConstraint("zrk.particle.ParticleBase"), nullptr);
    EXPECT_EQ(r.createParticle("factory.ParticlesSquare"), nullptr);
    EXPECT_EQ(r.createConstraint("Factory.ParticlesSquare"), nullptr);
    auto a = r.createConstraint("factory.ParticlesSquare");
    auto b = r.createConstraint("factory.ParticlesSquare");
    ASSERT_TRUE(a && b);
    EXPECT_NE(a.get(), b.get());
    EXPECT_NE(r.createObject("zrk.particle.ParticleBase"), nullptr);
    // Every registered constraint names itself as registered, and its example reads back.
    for (int i = 0; i < r.constraintClassCount(); ++i) {
        auto c = r.createConstraint(r.constraintClassName(i));
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->GetClassName(), r.constraintClassName(i));
        CString example = c->getParameterExample();
        c->setParametersFromString(example);
        EXPECT_EQ(c->getParameterExample(), example);
    }
}

} // namespace

namespace {

TEST(ParticleFactories, StopAtTheHardParticleCap)
{
    ParticleSystem s;
    s.constraints.addConstraint("factory.ParticlesSquare", "<Amount>2147483647</Amount>");
    s.constraints.apply(&s); // must neither run out of memory nor spin through the whole amount
    EXPECT_EQ(s.particles.getParticleCount(), ParticleCollection::kMaxParticles);
    s.createParticles(10, CPoint(), 0, 1, 1, 1);
    EXPECT_EQ(s.particles.getParticleCount(), ParticleCollection::kMaxParticles);
}

} // namespace
