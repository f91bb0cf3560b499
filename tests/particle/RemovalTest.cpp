#include "particle/constraints/RemoveAged.h"
#include "particle/constraints/RemoveOutOfBounds.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleCollection.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::unique_ptr<IGlintmote> particle(float x, float y, float px, float py, int age = 0, int group = 0)
{
    auto p = std::make_unique<ParticleBase>();
    p->setLocationX(x);
    p->setLocationY(y);
    p->setPreviousLocationX(px);
    p->setPreviousLocationY(py);
    p->setAge(age);
    p->setGroup(group);
    return p;
}

std::unique_ptr<IGlintmote> particleAt(float x, float y)
{
    return particle(x, y, x, y);
}

std::vector<int> agesOf(ParticleCollection& particles)
{
    std::vector<int> ages;
    for (int i = 0; i < particles.getParticleCount(); ++i)
        ages.push_back(particles.getParticle(i)->getAge());
    return ages;
}

} // namespace

TEST(RemoveAgedTest, RemovesOnlyParticlesOlderThanTheMaximum)
{
    ParticleCollection particles;
    for (int age : { 160, 161, 5, 400, 161, 162, 0 })
        particles.addParticle(particle(0, 0, 0, 0, age));
    RemoveAged rule;
    EXPECT_EQ(rule.apply(&particles), 1);
    EXPECT_EQ(agesOf(particles), (std::vector<int> { 160, 5, 0 })); // adjacent ones too; order kept
}

TEST(RemoveAgedTest, GroupLimitsTheRule)
{
    ParticleCollection particles;
    particles.addParticle(particle(0, 0, 0, 0, 200, 3));
    particles.addParticle(particle(0, 0, 0, 0, 201, 1));
    particles.addParticle(particle(0, 0, 0, 0, 10, 3));
    RemoveAged rule;
    rule.setParametersFromString("<Group>3</Group>");
    rule.apply(&particles);
    EXPECT_EQ(agesOf(particles), (std::vector<int> { 201, 10 }));
    EXPECT_EQ(rule.getParameterExample(),
        "<Group>3</Group>\r\n<MaximumAge>160</MaximumAge>\r\n<Resource Only>false</Resource Only>\r\n");
}

TEST(RemoveAgedTest, EmptyCollectionAndSingleParticleCalls)
{
    ParticleCollection particles;
    RemoveAged rule;
    EXPECT_EQ(rule.apply(&particles), 1);
    EXPECT_EQ(particles.getParticleCount(), 0);
    auto old = particle(0, 0, 0, 0, 999);
    EXPECT_EQ(rule.apply(old.get()), 0);
    EXPECT_EQ(rule.apply(static_cast<ParticleSystem*>(nullptr)), 0);
}

TEST(RemoveOutOfBoundsTest, KeepsTheHalfOpenArea)
{
    RemoveOutOfBounds rule;
    struct Case {
        float x, y;
        bool removed;
    };
    const Case cases[] = { { 640, 10, true }, { -0.1f, 10, true }, { 10, 480, true }, { 10, -0.5f, true },
        { 0, 0, false }, { 639.5f, 479.5f, false } };
    for (const Case& c : cases) {
        auto p = particleAt(c.x, c.y);
        EXPECT_EQ(rule.shouldRemove(p.get()), c.removed ? 1 : 0) << c.x << "," << c.y;
    }
}

TEST(RemoveOutOfBoundsTest, PreviousLocationCountsDifferentlyPerSide)
{
    RemoveOutOfBounds rule;
    rule.clearCurrentOnly();
    EXPECT_EQ(rule.isUsingPrevious(), 1);
    struct Case {
        float x, y, px, py;
        bool removed;
    };
    const Case cases[] = {
        { -5, 10, 2, 10, false }, // left: both must be outside
        { -5, 10, -1, 10, true }, //
        { 630, 10, 645, 10, true }, // right: either is enough
        { 10, -5, 10, 3, false }, // top: both
        { 10, 470, 10, 480, true }, // bottom: either
        { 10, 10, 10, 10, false },
    };
    for (const Case& c : cases) {
        auto p = particle(c.x, c.y, c.px, c.py);
        EXPECT_EQ(rule.shouldRemove(p.get()), c.removed ? 1 : 0)
            << c.x << "," << c.y << " from " << c.px << "," << c.py;
    }
    // With only the current location tested, the previous one is ignored on every side.
    rule.setCurrentOnly();
    auto cameIn = particle(630, 10, 645, 10);
    EXPECT_EQ(rule.shouldRemove(cameIn.get()), 0);
}

TEST(RemoveOutOfBoundsTest, PartialTextNarrowsOneSideAndGroupFilters)
{
    RemoveOutOfBounds rule;
    rule.setParametersFromString("<Right>320</Right>");
    EXPECT_EQ(rule.getBounds(), CRect(0, 0, 320, 480));
    EXPECT_EQ(rule.isCurrentOnly(), 1);

    ParticleCollection particles;
    particles.addParticle(particle(400, 10, 400, 10, 1, 0));
    particles.addParticle(particle(500, 10, 500, 10, 2, 0));
    particles.addParticle(particle(100, 10, 100, 10, 3, 0));
    particles.addParticle(particle(400, 10, 400, 10, 4, 7));
    rule.apply(&particles);
    EXPECT_EQ(agesOf(particles), (std::vector<int> { 3 }));

    RemoveOutOfBounds grouped;
    grouped.setParametersFromString("<Group>7</Group><Right>320</Right>");
    particles.addParticle(particle(400, 10, 400, 10, 5, 0));
    particles.addParticle(particle(400, 10, 400, 10, 6, 7));
    grouped.apply(&particles);
    EXPECT_EQ(agesOf(particles), (std::vector<int> { 3, 5 }));
}

TEST(RemoveOutOfBoundsTest, ExampleRoundTrips)
{
    RemoveOutOfBounds changed;
    changed.setParametersFromString("<CurrentOnly>false</CurrentOnly><Left>-3</Left><Bottom>9</Bottom>");
    EXPECT_EQ(changed.getParameterExample(),
        "<Group>-1</Group>\r\n<CurrentOnly>false</CurrentOnly>\r\n<Left>-3</Left>\r\n<Right>640</Right>\r\n"
        "<Top>0</Top>\r\n<Bottom>9</Bottom>\r\n<Resource Only>false</Resource Only>\r\n");
    changed.setParametersFromString(RemoveOutOfBounds().getParameterExample());
    EXPECT_EQ(changed.getParameterExample(), RemoveOutOfBounds().getParameterExample());
}

TEST(RemovalTest, RemovingEveryOtherOfManyKeepsTheRestInOrder)
{
    ParticleCollection particles;
    for (int i = 0; i < 10000; ++i)
        particles.addParticle(particle(0, 0, 0, 0, i % 2 == 0 ? 1000 : 999, i));
    RemoveAged rule;
    rule.setParametersFromString("<MaximumAge>999</MaximumAge>");
    rule.apply(&particles);
    ASSERT_EQ(particles.getParticleCount(), 5000);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(particles.getParticle(i)->getGroup(), 2 * i + 1);
}
