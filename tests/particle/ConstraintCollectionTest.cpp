#include "particle/core/ConstraintCollection.h"
#include "particle/constraints/ParticlesSquare.h"
#include "particle/core/ConstraintBase.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleSystem.h"
#include "platform/CStdioFile.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

const CString kSquare = "factory.ParticlesSquare";
const CString kCollection = "constraint.ConstraintCollection";

// A per-particle constraint that counts the particles it was handed.
struct Counting : ConstraintBase {
    using ConstraintBase::apply;
    unsigned char apply(IGlintmote*) override
    {
        ++seen;
        return 1;
    }
    unsigned char draw(CDC*, CSize) override
    {
        ++drawn;
        return 0;
    }
    CString GetClassName() override { return "test.Counting"; }
    int seen = 0;
    int drawn = 0;
};

TEST(ConstraintDefinition, BlocksNeedAnIdentifierLineAndTheSeparator)
{
    ConstraintCollection c;
    c.populateFromDefinitionString(kSquare + "\r\n\r\n.\r\n");
    EXPECT_EQ(c.getConstraintCount(), 1) << "empty parameter line";
    c.populateFromDefinitionString(kSquare + "\r\n.\r\n");
    EXPECT_EQ(c.getConstraintCount(), 0) << "no parameter line at all";
    c.populateFromDefinitionString("\r\n" + kSquare + "\r\n\r\n.\r\n");
    EXPECT_EQ(c.getConstraintCount(), 0) << "blank line before the identifier";
    c.populateFromDefinitionString("factory.ParticlesSquare \r\n\r\n.\r\nFactory.ParticlesSquare\r\n\r\n.\r\n");
    EXPECT_EQ(c.getConstraintCount(), 0) << "trailing space, letter case";
    c.populateFromDefinitionString(kSquare + "\r\n\r\n.\r\n" + kSquare + "\r\n<Amount>3</Amount>\r\n");
    EXPECT_EQ(c.getConstraintCount(), 1) << "last block without separator is ignored";
    c.populateFromDefinitionString("nonsense\r\n\r\n.\r\n" + kSquare + "\r\n\r\n.\r\ntrailing text");
    EXPECT_EQ(c.getConstraintCount(), 1) << "unknown identifiers are skipped, the loop goes on";
    EXPECT_EQ(c.populateFromDefinitionString(""), 1);
    EXPECT_EQ(c.getConstraintCount(), 0);
}

TEST(ConstraintDefinition, WritesWhatItReadsBack)
{
    ConstraintCollection c;
    c.addConstraint(kSquare, "<Amount>4</Amount><CenterX>12.5</CenterX>");
    c.addConstraint("factory.ParticleFactoryUniform", "<Randomize>false</Randomize>");
    CString text = c.getConstraintDefinition();
    EXPECT_EQ(text.Find(kSquare + "\r\n<Group>0</Group>\r\n"), 0);
    EXPECT_NE(text.Find("<Resource Only>false</Resource Only>\r\n\r\n.\r\nfactory.ParticleFactoryUniform\r\n"), -1);
    ConstraintCollection again;
    again.populateFromDefinitionString(text);
    ASSERT_EQ(again.getConstraintCount(), 2);
    EXPECT_EQ(again.getConstraintDefinition(), text);
}

TEST(ConstraintCollection, AppliesInOrderSkippingResourcesButDrawsThem)
{
    ParticleSystem system;
    system.particles.addParticle(std::make_unique<ParticleBase>());
    auto grouped = std::make_unique<ParticleBase>();
    grouped->setGroup(2);
    system.particles.addParticle(std::move(grouped));

    auto all = std::make_unique<Counting>();
    auto onlyTwo = std::make_unique<Counting>();
    auto resource = std::make_unique<Counting>();
    onlyTwo->setParametersFromString("<Group>2</Group>");
    resource->setParametersFromString("<Resource Only>true</Resource Only>");
    Counting* a = all.get();
    Counting* b = onlyTwo.get();
    Counting* r = resource.get();
    system.constraints.addConstraint(std::move(all));
    system.constraints.addConstraint(nullptr);
    system.constraints.addConstraint(std::move(onlyTwo));
    system.constraints.addConstraint(std::move(resource));
    system.constraints.apply(&system);
    EXPECT_EQ(a->seen, 2);
    EXPECT_EQ(b->seen, 1);
    EXPECT_EQ(r->seen, 0);
    system.constraints.draw(nullptr, CSize(320, 240));
    EXPECT_EQ(r->drawn, 1);
    EXPECT_EQ(system.constraints.apply(static_cast<ParticleSystem*>(nullptr)), 0);
}

// The library's own rules run as one walk over the particles; resource-only ones among them must stay
// out of that walk as they stay out of the plain loop.
TEST(ConstraintCollection, ResourceOnlyRulesStayOutOfTheFastWalk)
{
    const auto stepped = [](const char* between) {
        ParticleSystem system;
        for (int i = 0; i < 3; ++i)
            system.particles.addParticle(std::make_unique<ParticleBase>());
        system.constraints.populateFromDefinitionString(CString("constraint.Force\r\n<DeltaY>1</DeltaY>\r\n.\r\n")
            + between + "constraint.OmniForce\r\n<Force>0.5</Force>\r\n.\r\n");
        system.step();
        std::vector<float> velocities;
        for (int i = 0; i < system.particles.getParticleCount(); ++i)
            velocities.push_back(system.particles.getParticle(i)->getDeltaY());
        return velocities;
    };
    const std::vector<float> plain = stepped("");
    ASSERT_EQ(plain.size(), 3u);
    EXPECT_EQ(
        stepped("constraint.Force\r\n<DeltaY>100</DeltaY><Resource Only>true</Resource Only>\r\n.\r\n"
                "constraint.RemoveAged\r\n<MaximumAge>0</MaximumAge><Resource Only>true</Resource Only>\r\n.\r\n"),
        plain);
}

TEST(ConstraintCollection, MovesAndRemovesByPointerAndIndex)
{
    ConstraintCollection c;
    for (int i = 0; i < 3; ++i)
        c.addConstraint(kSquare, "");
    IConstraint* first = c.getConstraint(0);
    IConstraint* last = c.getConstraint(2);
    EXPECT_EQ(c.moveConstraintForward(first), 1);
    EXPECT_EQ(c.getConstraint(0), first);
    EXPECT_EQ(c.moveConstraintBackward(last), 1);
    EXPECT_EQ(c.getConstraint(2), last);
    EXPECT_EQ(c.moveConstraintBackward(first), 1);
    EXPECT_EQ(c.getConstraint(1), first);
    ParticlesSquare stranger;
    EXPECT_EQ(c.moveConstraintForward(&stranger), 0);
    EXPECT_EQ(c.removeConstraint(&stranger), 0);
    EXPECT_EQ(c.getConstraint(3), nullptr);
    EXPECT_EQ(c.getConstraint(-1), nullptr);
    EXPECT_EQ(c.removeConstraint(7), 0);
    EXPECT_EQ(c.removeConstraint(first), 1);
    EXPECT_EQ(c.getConstraintCount(), 2);
}

class DefinitionFiles : public ::testing::Test {
protected:
    TempDir temp;
    std::string dir = temp.path();
    void write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(temp.file(name), std::ios::binary) << bytes;
    }
    CString include(const std::string& name)
    {
        return "<DefLocation>" + CString(dir) + "</DefLocation><DefFilename>" + CString(name) + "</DefFilename>";
    }
};

TEST_F(DefinitionFiles, LfOnlyAndUnterminatedFilesReadLikeCrLf)
{
    write("lf.vq", "factory.ParticlesSquare\n<Amount>2</Amount>\n.\nfactory.ParticlesSquare\n\n.");
    ConstraintCollection c;
    c.setParametersFromString(include("lf.vq"));
    EXPECT_EQ(c.getConstraintCount(), 2);
}

TEST_F(DefinitionFiles, MissingFileLeavesTheListAlone)
{
    ConstraintCollection c;
    c.addConstraint(kSquare, "");
    c.setParametersFromString(include("no-such-file.vq"));
    EXPECT_EQ(c.getConstraintCount(), 1);
    EXPECT_NE(c.getParameterExample().Find("<DefFilename>no-such-file.vq</DefFilename>"), -1);
}

TEST_F(DefinitionFiles, SelfAndMutualIncludesEnd)
{
    // self.vq holds a square factory and a collection that includes self.vq again.
    write("self.vq",
        "factory.ParticlesSquare\n\n.\nconstraint.ConstraintCollection\n" + include("self.vq").str() + "\n.\n");
    ConstraintCollection c;
    c.setParametersFromString(include("self.vq"));
    ASSERT_EQ(c.getConstraintCount(), 2);
    // The inner copy was refused: the file is already being loaded.
    auto* inner = dynamic_cast<ConstraintCollection*>(c.getConstraint(1));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->getConstraintCount(), 0);

    write("a.vq", "constraint.ConstraintCollection\n" + include("b.vq").str() + "\n.\nfactory.ParticlesSquare\n\n.\n");
    write("b.vq", "constraint.ConstraintCollection\n" + include("./a.vq").str() + "\n.\n");
    ConstraintCollection d;
    d.setParametersFromString(include("a.vq"));
    EXPECT_EQ(d.getConstraintCount(), 2);
}

TEST_F(DefinitionFiles, DeepIncludeChainsStopAtTheDepthLimit)
{
    const int files = ConstraintCollection::kMaxIncludeDepth + 5;
    for (int i = 0; i < files; ++i)
        write("chain" + std::to_string(i) + ".vq",
            "constraint.ConstraintCollection\n" + include("chain" + std::to_string(i + 1) + ".vq").str() + "\n.\n");
    ConstraintCollection c;
    c.setParametersFromString(include("chain0.vq"));
    int depth = 0;
    for (ConstraintCollection* at = &c; at && at->getConstraintCount() > 0; ++depth)
        at = dynamic_cast<ConstraintCollection*>(at->getConstraint(0));
    EXPECT_EQ(depth, ConstraintCollection::kMaxIncludeDepth);
}

// Files that include one another three times each, eight deep: 3^8 loads if includes were only
// limited per chain. Each file is read once, and the whole load stops at its include budget.
TEST_F(DefinitionFiles, RepeatedIncludesAreBoundedPerLoad)
{
    const int levels = 8;
    for (int i = 0; i < levels; ++i) {
        std::string body;
        for (int k = 0; k < 3; ++k)
            body += "constraint.ConstraintCollection\n" + include("tree" + std::to_string(i + 1) + ".vq").str()
                + "\n.\n";
        write("tree" + std::to_string(i) + ".vq", body);
    }
    write("tree" + std::to_string(levels) + ".vq", "factory.ParticlesSquare\n\n.\n");
    const long before = platform::FileOpenAttempts();
    ConstraintCollection c;
    c.setParametersFromString(include("tree0.vq"));
    EXPECT_EQ(platform::FileOpenAttempts() - before, levels + 1);

    int collections = 0;
    std::vector<ConstraintCollection*> open { &c };
    while (!open.empty()) {
        ConstraintCollection* at = open.back();
        open.pop_back();
        ++collections;
        for (int i = 0; i < at->getConstraintCount(); ++i) {
            if (auto* inner = dynamic_cast<ConstraintCollection*>(at->getConstraint(i)); inner)
                open.push_back(inner);
        }
    }
    EXPECT_GT(collections, ConstraintCollection::kMaxIncludesPerLoad);
    EXPECT_LE(collections, 3 * ConstraintCollection::kMaxIncludesPerLoad + 1);

    // The budget is per load: the next load reads the whole first level again.
    ConstraintCollection again;
    again.setParametersFromString(include("tree7.vq"));
    ASSERT_EQ(again.getConstraintCount(), 3);
    EXPECT_EQ(dynamic_cast<ConstraintCollection*>(again.getConstraint(2))->getConstraintCount(), 1);
}

TEST_F(DefinitionFiles, ByteOrderMarkIsSkipped)
{
    write("bom.vq",
        "\xEF\xBB\xBF"
        "factory.ParticlesSquare\r\n\r\n.\r\nfactory.ParticlesSquare\r\n\r\n.\r\n");
    ConstraintCollection c;
    c.setParametersFromString(include("bom.vq"));
    EXPECT_EQ(c.getConstraintCount(), 2);
}

} // namespace
