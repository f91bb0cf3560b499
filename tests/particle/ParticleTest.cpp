#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleCollection.h"
#include "platform/CDC.h"

#include <gtest/gtest.h>

namespace {

// Counts its own destructions, to check who deletes what.
struct CountedParticle : ParticleBase {
    explicit CountedParticle(int* deaths)
        : deaths_(deaths)
    {
    }
    ~CountedParticle() override { ++*deaths_; }
    int* deaths_;
};

std::unique_ptr<IGlintmote> particleAt(float x, float y, float px, float py, COLORREF color = RGB(255, 255, 255))
{
    auto p = std::make_unique<ParticleBase>();
    p->setLocationX(x);
    p->setLocationY(y);
    p->setPreviousLocationX(px);
    p->setPreviousLocationY(py);
    p->setColor(color);
    return p;
}

TEST(ParticleBase, StepMovesThenAges)
{
    auto p = particleAt(10, 20, 0, 0);
    p->setDeltaX(1.5f);
    p->setDeltaY(-2.0f);
    p->step();
    EXPECT_FLOAT_EQ(p->getLocationX(), 11.5f);
    EXPECT_FLOAT_EQ(p->getLocationY(), 18.0f);
    EXPECT_FLOAT_EQ(p->getPreviousLocationX(), 10.0f);
    EXPECT_FLOAT_EQ(p->getPreviousLocationY(), 20.0f);
    EXPECT_EQ(p->getAge(), 1);
    p->step();
    EXPECT_FLOAT_EQ(p->getPreviousLocationX(), 11.5f);
    EXPECT_EQ(p->setLocationZ(3), 0);
    EXPECT_EQ(p->setDeltaZ(3), 0);
    EXPECT_FLOAT_EQ(p->getLocationZ(), 0.0f);
}

TEST(ParticleBase, CreateGivesAFreshDefaultParticle)
{
    ParticleBase red;
    red.setColor(RGB(255, 0, 0));
    red.setAge(9);
    red.setGroup(3);
    std::unique_ptr<IGlintmote> made = red.Create();
    EXPECT_EQ(made->getColor(), 0u);
    EXPECT_EQ(made->getAge(), 0);
    EXPECT_EQ(made->getGroup(), 0);
    EXPECT_EQ(made->GetClassName(), "zrk.particle.ParticleBase");
    ParticleBase copy(red);
    EXPECT_EQ(copy.getColor(), RGB(255, 0, 0));
    EXPECT_EQ(copy.getGroup(), 3);
}

TEST(ParticleBase, DrawsAStreakTruncatedTowardZeroWithoutItsPreviousPixel)
{
    CDC dc(8, 8);
    particleAt(3.9f, 2.0f, 3.2f, 2.7f)->draw(&dc); // same pixel: nothing
    particleAt(5.9f, 1.0f, -0.5f, 1.0f)->draw(&dc); // from x 5 down to, not including, x 0
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(dc.GetPixel(x, 1), x >= 1 && x <= 5 ? RGB(255, 255, 255) : 0u) << x;
    EXPECT_EQ(dc.GetPixel(3, 2), 0u);
}

TEST(ParticleCollection, OwnsAndRemovesItsParticles)
{
    int deaths = 0;
    {
        ParticleCollection c;
        auto first = std::make_unique<CountedParticle>(&deaths);
        IGlintmote* firstRaw = first.get();
        c.addParticle(std::move(first));
        c.addParticle(nullptr); // tolerated and skipped
        c.addParticle(std::make_unique<CountedParticle>(&deaths));
        c.step();
        EXPECT_EQ(c.getParticle(2)->getAge(), 1);

        ParticleBase stranger;
        EXPECT_EQ(c.removeParticle(&stranger), 0);
        EXPECT_EQ(c.getParticleCount(), 3);
        EXPECT_EQ(c.removeParticle(firstRaw), 1);
        EXPECT_EQ(deaths, 1);
        EXPECT_EQ(c.getParticle(0), nullptr); // later entries moved down
        EXPECT_EQ(c.getParticleCount(), 2);

        EXPECT_EQ(c.getParticle(-1), nullptr);
        EXPECT_EQ(c.getParticle(2), nullptr);
        EXPECT_EQ(c.removeParticle(5), 0);
        EXPECT_EQ(c.removeParticle(-1), 0);
        c.addParticle(std::make_unique<CountedParticle>(&deaths));
    }
    EXPECT_EQ(deaths, 3);
}

TEST(ParticleCollection, RemovingManyAtOnceKeepsTheOrderOfTheRest)
{
    ParticleCollection c;
    for (int i = 0; i < 10; ++i) {
        auto p = std::make_unique<ParticleBase>();
        p->setAge(i);
        c.addParticle(std::move(p));
    }
    unsigned char* marks = c.removalMarks();
    for (int i : { 0, 3, 4, 9 })
        marks[i] = 1;
    c.removeMarked();
    ASSERT_EQ(c.getParticleCount(), 6);
    int expected[] = { 1, 2, 5, 6, 7, 8 };
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(c.getParticle(i)->getAge(), expected[i]);
    EXPECT_EQ(c.removeAllParticles(), 1);
    EXPECT_EQ(c.getParticleCount(), 0);
}

} // namespace
