#include "particle/core/CMorvane.h"
#include "particle/core/ClassRegistry.h"
#include "particle/core/DefaultScene.h"
#include "platform/CStdioFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/TempDir.h"
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> constraintClasses(ConstraintCollection& constraints)
{
    std::vector<std::string> names;
    for (int i = 0; i < constraints.getConstraintCount(); ++i)
        names.push_back(constraints.getConstraint(i)->GetClassName().str());
    return names;
}

std::string readFile(const fs::path& path)
{
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path.string(), 1 << 20, bytes)) << path;
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(CMorvaneTest, FreshFacadeHasTheHostDefaults)
{
    TempDir dir;
    CMorvane host(CString(dir.path()));
    EXPECT_EQ(host.getParticlesCreatedStill(), 15);
    EXPECT_EQ(host.getParticlesCreatedDrag(), 15);
    EXPECT_EQ(host.getHueMin(), 0.5f);
    EXPECT_EQ(host.getHueMax(), 0.75f);
    EXPECT_EQ(host.getSaturation(), 1.0f);
    EXPECT_EQ(host.getBrightness(), 1.0f);
    EXPECT_EQ(host.getWidth(), 320);
    EXPECT_EQ(host.getHeight(), 240);
    EXPECT_EQ(host.shouldErase(), 1);
    EXPECT_TRUE(host.GetBackgroundImageStr().IsEmpty());
    EXPECT_TRUE(host.GetForegroundImageStr().IsEmpty());
    EXPECT_EQ(host.GetImageProvider(), nullptr);
    // No flame1.vq there: the scene starts empty.
    EXPECT_EQ(host.getParticleSystem()->constraints.getConstraintCount(), 0);
}

TEST(CMorvaneTest, LoadsTheDefaultDefinitionFileFromItsDirectory)
{
    TempDir dir;
    std::ofstream(dir.file("flame1.vq"), std::ios::binary)
        << "constraint.Force\n<DeltaY>2</DeltaY>\n.\nconstraint.RemoveAged\n\n.\n";
    CMorvane host(CString(dir.path()));
    ConstraintCollection& constraints = host.getParticleSystem()->constraints;
    EXPECT_EQ(
        constraintClasses(constraints), (std::vector<std::string> { "constraint.Force", "constraint.RemoveAged" }));
    EXPECT_NE(constraints.getConstraint(0)->getParameterExample().Find("<DeltaY>2.000000</DeltaY>"), -1);
}

TEST(CMorvaneTest, ImageProviderReachesTheParticleSystemAndCreatesParticlesInItsHues)
{
    TempDir dir;
    CMorvane host(CString(dir.path()));
    alignas(8) static char storage[8];
    IImageProvider* provider = reinterpret_cast<IImageProvider*>(storage); // only compared, never used
    host.SetImageProvider(provider);
    EXPECT_EQ(host.GetImageProvider(), provider);
    EXPECT_EQ(host.getParticleSystem()->GetImageProvider(), provider);

    host.setHueMin(0.0f);
    host.setHueMax(0.0f); // pure red at full saturation and brightness
    host.createParticles(15, CPoint(100, 50));
    ParticleCollection& particles = host.getParticleSystem()->particles;
    ASSERT_EQ(particles.getParticleCount(), 15);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(particles.getParticle(i)->getColor(), 0x0000FFul);
        EXPECT_EQ(particles.getParticle(i)->getLocationX(), 100.0f);
    }
}

TEST(CMorvaneTest, ListsTheRegisteredClassesInRegistryOrder)
{
    TempDir dir;
    CMorvane host(CString(dir.path()));
    EXPECT_EQ(host.GetParticleClassCount(), 1);
    EXPECT_EQ(host.GetParticleClassName(0), "zrk.particle.ParticleBase");
    EXPECT_EQ(host.GetParticleClassName(1), "");
    const std::vector<std::string> expected = { "constraint.RemoveOutOfBounds", "constraint.Force",
        "constraint.OmniForce", "constraint.RemoveAged", "factory.ParticlesSquare", "constraint.Cameleon",
        "render.RenderSimple", "image.ImageClear", "constraint.ConstraintCollection", "factory.ParticleFactoryUniform",
        "image.ImageLoad", "factory.ImageDeltaParticleFactory", "constraint.VortexForce", "constraint.ColourRamp",
        "constraint.Turbulence", "constraint.Attractor", "image.ImageFade", "image.ImageText", "constraint.Seed",
        "render.RenderLight" };
    std::vector<std::string> listed;
    for (int i = 0; i < host.GetConstraintClassCount(); ++i)
        listed.push_back(host.GetConstraintClassName(i).str());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(host.GetConstraintClassName(-1), "");
    EXPECT_EQ(host.GetConstraintClassName(host.GetConstraintClassCount()), "");
    // Each name creates its own class, and only as a constraint.
    ClassRegistry registry;
    for (const std::string& name : expected) {
        std::unique_ptr<IConstraint> made = registry.createConstraint(name.c_str());
        ASSERT_TRUE(made) << name;
        EXPECT_EQ(made->GetClassName(), name.c_str());
        EXPECT_FALSE(registry.createParticle(name.c_str()));
    }
    EXPECT_FALSE(registry.createConstraint("Constraint.Force"));
}

TEST(DefaultSceneTest, AppendsTheFourConstraintsAndMatchesTheShippedFile)
{
    ConstraintCollection constraints;
    constraints.addConstraint("constraint.Force", "");
    AddDefaultScene(constraints);
    EXPECT_EQ(constraintClasses(constraints),
        (std::vector<std::string> { "constraint.Force", "factory.ParticleFactoryUniform", "constraint.OmniForce",
            "constraint.RemoveAged", "constraint.RemoveOutOfBounds" }));
    constraints.removeConstraint(0);
    EXPECT_NE(constraints.getConstraint(1)->getParameterExample().Find("<CenterX>160.000000</CenterX>\r\n"
                                                                       "<CenterY>120.000000</CenterY>"),
        -1);
    EXPECT_EQ(
        readFile(fs::path(MIRRIM_SOURCE_DIR) / "scenes" / "default.vq"), constraints.getConstraintDefinition().str());
}

TEST(DefaultSceneTest, EveryShippedDefinitionFileLoadsWhole)
{
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(MIRRIM_SOURCE_DIR) / "scenes")) {
        if (entry.path().extension() != ".vq")
            continue;
        ++files;
        const std::string text = readFile(entry.path());
        int blocks = 0;
        for (std::size_t at = text.find("\n.\r\n"); at != std::string::npos; at = text.find("\n.\r\n", at + 1))
            ++blocks;
        ConstraintCollection constraints;
        constraints.setParametersFromString("<DefLocation>" + entry.path().parent_path().string()
            + "/</DefLocation><DefFilename>" + entry.path().filename().string() + "</DefFilename>");
        EXPECT_GT(blocks, 0) << entry.path();
        EXPECT_EQ(constraints.getConstraintCount(), blocks) << entry.path();
    }
    EXPECT_GE(files, 3);
}
