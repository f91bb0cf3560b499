// The engine walks the particles two ways: directly, when every particle is exactly a ParticleBase and
// every rule exactly the library's class, and through the virtual calls otherwise. Both must give the
// same bits, a host's subclass must still get every call it overrides, and the particles the engine keeps
// in its own pool must behave as any others.
#include "particle/constraints/Force.h"
#include "particle/constraints/OmniForce.h"
#include "particle/constraints/ParticleFactory.h"
#include "particle/constraints/ParticlesSquare.h"
#include "particle/constraints/RemoveAged.h"
#include "particle/constraints/RemoveOutOfBounds.h"
#include "particle/constraints/VortexForce.h"
#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleSystem.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <typeinfo>

namespace {

// A host's particle class that changes nothing but its class: the engine must walk it virtually.
struct HostParticle : ParticleBase {
    std::unique_ptr<IGlintmote> Create() override { return std::make_unique<HostParticle>(); }
};

// Every per-particle rule of the library, some limited to a group, fed by both factories.
void buildScene(ParticleSystem& system)
{
    ConstraintCollection& c = system.constraints;
    c.addConstraint("factory.ParticlesSquare",
        "<Group>1</Group><CenterX>100</CenterX><CenterY>80</CenterY><Amount>40</Amount><MinDx>-3</MinDx><MaxDx>4</"
        "MaxDx>");
    c.addConstraint(
        "factory.ParticleFactoryUniform", "<CenterX>160</CenterX><CenterY>120</CenterY><Amount>60</Amount>");
    c.addConstraint("constraint.Force", "<Group>1</Group><DeltaX>0.05</DeltaX><DeltaY>0.2</DeltaY>");
    c.addConstraint("constraint.OmniForce", "<CenterX>160</CenterX><CenterY>120</CenterY><RadiusIn>10</RadiusIn>");
    c.addConstraint("constraint.VortexForce",
        "<Group>0</Group><CenterX>200</CenterX><CenterY>100</CenterY><CenterZ>20</CenterZ><Force>0.1</Force>");
    c.addConstraint("constraint.RemoveAged", "<Group>1</Group><MaximumAge>25</MaximumAge>");
    c.addConstraint("constraint.RemoveAged", "<MaximumAge>40</MaximumAge>");
    c.addConstraint(
        "constraint.RemoveOutOfBounds", "<CurrentOnly>false</CurrentOnly><Right>320</Right><Bottom>240</Bottom>");
}

std::string bits(float v)
{
    unsigned u;
    std::memcpy(&u, &v, sizeof u);
    return std::to_string(u);
}

// Every field of every particle, exactly.
std::string dump(ParticleCollection& particles)
{
    std::string text;
    for (int i = 0; i < particles.getParticleCount(); ++i) {
        IGlintmote* p = particles.getParticle(i);
        for (float v : { p->getLocationX(), p->getLocationY(), p->getPreviousLocationX(), p->getPreviousLocationY(),
                 p->getDeltaX(), p->getDeltaY() })
            text += bits(v) + ' ';
        text += std::to_string(p->getColor()) + ' ' + std::to_string(p->getAge()) + ' ' + std::to_string(p->getGroup())
            + '\n';
    }
    return text;
}

std::string play(bool hostParticles, int steps)
{
    platform::SeedRand(1);
    ParticleSystem system;
    buildScene(system);
    HostParticle example;
    if (hostParticles) {
        for (int i = 0; i < system.constraints.getConstraintCount(); ++i) {
            if (auto* factory = dynamic_cast<ParticleFactory*>(system.constraints.getConstraint(i)))
                factory->setParticlePrototype(&example);
        }
    }
    for (int i = 0; i < steps; ++i)
        system.step();
    EXPECT_EQ(system.particles.holdsOnlyParticleBase(), !hostParticles);
    EXPECT_GT(system.particles.getParticleCount(), 1000);
    if (hostParticles) {
        EXPECT_EQ(typeid(*system.particles.getParticle(0)), typeid(HostParticle));
    }
    return dump(system.particles);
}

class EngineWalks : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { parallel::Configure(GetParam(), GetParam() > 1); }
    void TearDown() override { parallel::Configure(0, false); }
};

TEST_P(EngineWalks, DirectAndVirtualWalksGiveTheSameBits)
{
    EXPECT_TRUE(play(false, 60) == play(true, 60));
}

INSTANTIATE_TEST_SUITE_P(Threads, EngineWalks, ::testing::Values(1, 3));

// A host's subclass of each per-particle rule, counting the calls it overrides.
template <typename Rule> struct CountingForce : Rule {
    int calls = 0;
    unsigned char apply(IGlintmote* p) override
    {
        ++calls;
        return Rule::apply(p);
    }
};
template <typename Rule> struct CountingRemoval : Rule {
    int calls = 0;
    unsigned char shouldRemove(IGlintmote* p) override
    {
        ++calls;
        return Rule::shouldRemove(p);
    }
};

// Between two rules of the library, a host's rule is called for every particle, and the step gives what
// the library's own rule in its place gives.
template <typename Counting, typename Plain> void expectCalledForEveryParticle(const char* name)
{
    // The rule's calls are read before the system, which owns the rule, is gone.
    auto run = [](std::unique_ptr<IConstraint> middle, int* calls) {
        platform::SeedRand(1);
        ParticleSystem system;
        system.createParticles(500, CPoint(150, 110), 0.0f, 1.0f, 1.0f, 1.0f);
        system.constraints.addConstraint("constraint.OmniForce", "");
        const auto* counting = dynamic_cast<const Counting*>(middle.get());
        system.constraints.addConstraint(std::move(middle));
        system.constraints.addConstraint("constraint.RemoveAged", "");
        system.step();
        if (calls)
            *calls = counting ? counting->calls : -1;
        return dump(system.particles);
    };
    parallel::Configure(2, true);
    int calls = 0;
    const std::string hosted = run(std::make_unique<Counting>(), &calls);
    EXPECT_EQ(calls, 500) << name;
    EXPECT_TRUE(hosted == run(std::make_unique<Plain>(), nullptr)) << name;
    parallel::Configure(0, false);
}

TEST(HostSubclasses, GetEveryCallTheyOverride)
{
    expectCalledForEveryParticle<CountingForce<Force>, Force>("Force");
    expectCalledForEveryParticle<CountingForce<OmniForce>, OmniForce>("OmniForce");
    expectCalledForEveryParticle<CountingForce<VortexForce>, VortexForce>("VortexForce");
    expectCalledForEveryParticle<CountingRemoval<RemoveAged>, RemoveAged>("RemoveAged");
    expectCalledForEveryParticle<CountingRemoval<RemoveOutOfBounds>, RemoveOutOfBounds>("RemoveOutOfBounds");
}

TEST(HostSubclasses, ParticleGettersAndCollectionAdditionsAreStillCalled)
{
    struct Watched : ParticleBase {
        int reads = 0;
        float getLocationX() override
        {
            ++reads;
            return ParticleBase::getLocationX();
        }
    };
    ParticleCollection particles;
    auto watched = std::make_unique<Watched>();
    Watched* w = watched.get();
    particles.addParticle(std::move(watched));
    OmniForce().apply(&particles);
    EXPECT_EQ(w->reads, 1);

    struct Counting : ParticleCollection {
        int additions = 0;
        unsigned char addParticle(std::unique_ptr<IGlintmote> p) override
        {
            ++additions;
            return ParticleCollection::addParticle(std::move(p));
        }
    };
    Counting collection;
    ParticlesSquare factory;
    factory.setParametersFromString("<Amount>7</Amount>");
    factory.apply(&collection);
    EXPECT_EQ(collection.additions, 7);
    EXPECT_EQ(collection.getParticleCount(), 7);
}

// The pool keeps a particle where it was made: a pointer to it stays good while others come and go, and
// finds it for removal. Pooled, heap and null entries all leave cleanly (the sanitizer build checks).
TEST(ParticlePool, ParticlesStayPutWhileOthersComeAndGo)
{
    ParticleSystem system;
    system.createParticles(3000, CPoint(10, 20), 0.0f, 1.0f, 1.0f, 1.0f);
    for (int i = 0; i < 1000; ++i)
        system.particles.getParticle(i)->setAge(500);
    IGlintmote* kept = system.particles.getParticle(2000);
    kept->setLocationX(77.0f);
    RemoveAged().apply(&system.particles);
    ASSERT_EQ(system.particles.getParticleCount(), 2000);
    EXPECT_EQ(system.particles.getParticle(1000), kept);
    EXPECT_EQ(kept->getLocationX(), 77.0f);

    system.createParticles(1500, CPoint(0, 0), 0.0f, 1.0f, 1.0f, 1.0f); // into the places just freed
    EXPECT_EQ(system.particles.getParticle(1000), kept);
    EXPECT_EQ(system.particles.removeParticle(kept), 1);
    EXPECT_EQ(system.particles.getParticleCount(), 3499);

    system.particles.addParticle(std::make_unique<HostParticle>());
    system.particles.addParticle(nullptr);
    EXPECT_FALSE(system.particles.holdsOnlyParticleBase());
    system.step(); // the virtual walk skips the null entry
    EXPECT_EQ(system.particles.getParticle(3499)->getAge(), 1);
    EXPECT_EQ(system.particles.removeParticle(3500), 1);
    EXPECT_TRUE(system.particles.holdsOnlyParticleBase() == false); // the host particle is still there
    system.particles.removeParticle(3499);
    EXPECT_TRUE(system.particles.holdsOnlyParticleBase());
    EXPECT_EQ(system.particles.removeAllParticles(), 1);
    system.createParticles(10, CPoint(0, 0), 0.0f, 1.0f, 1.0f, 1.0f); // the pool starts again
    EXPECT_EQ(system.particles.getParticleCount(), 10);
}

} // namespace
