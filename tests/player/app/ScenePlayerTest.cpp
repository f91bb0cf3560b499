#include "player/app/ScenePlayer.h"
#include "particle/core/ParticleBase.h"
#include "player/app/SceneFile.h"
#include "player/imaging/store/CDibImage.h"
#include "tests/TempDir.h"
#include "tests/player/app/ScriptedUi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

std::vector<std::string> classes(ScenePlayer& player)
{
    std::vector<std::string> names;
    ConstraintCollection& c = player.GetSystem().constraints;
    for (int i = 0; i < c.getConstraintCount(); ++i)
        names.push_back(c.getConstraint(i)->GetClassName().str());
    return names;
}

ScenePlayer::SceneRead read(ScenePlayer& player, const std::vector<std::uint8_t>& bytes)
{
    CArchiveReader archive(bytes.data(), bytes.size());
    return player.ReadScene(archive);
}

TEST(ScenePlayer, StartsWithTheDefaultSceneAndFlags)
{
    ScenePlayer player;
    EXPECT_EQ(classes(player),
        (std::vector<std::string> { "factory.ParticleFactoryUniform", "constraint.OmniForce", "constraint.RemoveAged",
            "constraint.RemoveOutOfBounds" }));
    EXPECT_EQ(player.GetHost().getWidth(), 320);
    EXPECT_EQ(player.GetHost().GetImageProvider(), &player.GetImageStore());
    EXPECT_EQ(player.GetFrameBuffer().GetWidth(), 320);
    EXPECT_EQ(player.drawConstraints, 0);
    EXPECT_EQ(player.drawParticles, 1);
    EXPECT_EQ(player.playing, 1);
    EXPECT_EQ(player.directFrame, 1);
    EXPECT_EQ(player.mapping.xTagName, "CenterX");
}

TEST(ScenePlayer, HeldPointerFiresThePartFactoryAtTheMappedPointEveryTick)
{
    ScenePlayer player;
    ParticleSystem& system = player.GetSystem();
    system.constraints.removeAllConstraints();
    player.mapping.offsetX = -160.0f;
    player.mapping.scaleX = 0.5f;
    player.Tick(true, 200, 34);
    player.Tick(true, 200, 34); // the pointer did not move: still fires
    player.Tick(false, 0, 0);
    ASSERT_EQ(system.particles.getParticleCount(), 2);
    for (int i = 0; i < 2; ++i) {
        IGlintmote* p = system.particles.getParticle(i);
        EXPECT_EQ(p->getAge(), 3 - i);
        EXPECT_NE(p->getLocationX(), 0.0f);
    }
    // The factory keeps the last position in its parameters.
    CString params = system.getPartFactoryClass()->getParameterExample();
    EXPECT_NE(params.Find("<CenterX>20.000000</CenterX>"), -1) << params.str();
    EXPECT_NE(params.Find("<CenterY>34.000000</CenterY>"), -1);
}

class Recording : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedUi ui;
    ScenePlayer player { &ui };
};

TEST_F(Recording, StepsWriteFramesAndCountThem)
{
    ui.savePath = dir.file("out.avi");
    player.StartRecording();
    ASSERT_TRUE(player.IsRecording());
    EXPECT_EQ(ui.compressorQuestions, 1); // asked once, as no compressor was chosen yet
    player.Stop();
    player.Step();
    player.Step();
    EXPECT_EQ(player.GetFrameCount(), 2);
    EXPECT_EQ(player.Tick(false, 0, 0), "Rendering - Frame 3");
    player.ChooseCompressor(); // ignored while recording
    EXPECT_EQ(ui.compressorQuestions, 1);
    player.ToggleRecord();
    EXPECT_FALSE(player.IsRecording());
    EXPECT_GT(std::filesystem::file_size(ui.savePath), 3u * 320 * 240 * 3);
}

TEST_F(Recording, StartRemakesRenderBlackAndSkipsFramesOfAnotherSize)
{
    auto render = player.GetImageStore().CreateImage(320, 240);
    render->Fill(RGB(255, 255, 255));
    IImage* renderRaw = render.get();
    player.GetImageStore().AddImage("RENDER", std::move(render));
    ui.savePath = dir.file("out.avi");
    player.StartRecording();
    ASSERT_TRUE(player.IsRecording());
    EXPECT_EQ(player.GetImageStore().GetImage("RENDER"), renderRaw);
    EXPECT_EQ(renderRaw->GetPixel(5, 5), 0u);

    player.directFrame = 0;
    EXPECT_EQ(player.RenderFrame(), "Rendering - Frame 1");
    dynamic_cast<CDibImage*>(renderRaw)->GetDib().Create(100, 100);
    EXPECT_EQ(player.RenderFrame(), "");
    EXPECT_EQ(player.GetFrameCount(), 1);
}

TEST_F(Recording, WithoutRenderStartAddsABlackOne)
{
    ui.savePath = dir.file("out.avi");
    player.StartRecording();
    IImage* render = player.GetImageStore().GetImage("RENDER");
    ASSERT_NE(render, nullptr);
    EXPECT_EQ(render->GetWidth(), 320);
}

TEST_F(Recording, CancelledOrUncreatableFilesLeaveRecordingClear)
{
    player.StartRecording(); // the save dialog is cancelled
    EXPECT_FALSE(player.IsRecording());
    ui.savePath = dir.file("no/such/dir/out.avi");
    player.StartRecording();
    EXPECT_FALSE(player.IsRecording());
    EXPECT_FALSE(std::filesystem::exists(ui.savePath));
    EXPECT_EQ(player.RenderFrame(), "");
}

TEST(SceneFile, PlainDefinitionVariantTouchesOnlyTheConstraints)
{
    ScenePlayer player;
    player.mapping.scaleX = 3.0f;
    CArchiveWriter w;
    w.WriteString("constraint.RemoveAged\r\n\r\n.\r\n");
    EXPECT_EQ(read(player, w.Bytes()), ScenePlayer::SceneRead::Complete);
    EXPECT_EQ(classes(player), std::vector<std::string> { "constraint.RemoveAged" });
    EXPECT_EQ(player.mapping.scaleX, 3.0f);
    // "Dozozudori" anywhere but at the start is still definition text.
    CArchiveWriter inside;
    inside.WriteString("xDozozudori");
    EXPECT_EQ(read(player, inside.Bytes()), ScenePlayer::SceneRead::Complete);
    EXPECT_TRUE(classes(player).empty());
}

TEST(SceneFile, VersionedVariantAppliesEveryField)
{
    ScriptedUi ui;
    ScenePlayer player(&ui);
    player.GetImageStore().AddImage("BACKGROUND", player.GetImageStore().CreateImage(4, 4));
    player.GetImageStore().AddImage("RENDER", player.GetImageStore().CreateImage(4, 4));
    player.GetImageStore().AddImage("other", player.GetImageStore().CreateImage(4, 4));
    player.GetSystem().particles.addParticle(std::make_unique<ParticleBase>());

    SceneDescription scene;
    scene.header = "Dozozudori and more";
    scene.definition = "constraint.Force\r\n\r\n.\r\n";
    scene.mapping.flag = true;
    scene.mapping.offsetX = -160.0f;
    scene.mapping.xTagName = "RadiusOut";
    scene.partFactoryClass = "factory.ParticleFactoryUniform";
    scene.partFactoryParameters = "<Amount>7</Amount>";
    scene.backgroundImage = "bg";
    scene.width = 640;
    scene.erase = 2; // only exactly 1 is true
    scene.drawParticles = 2;
    scene.drawConstraints = 1;
    scene.directFrame = 0;
    EXPECT_EQ(read(player, EncodeScene(scene)), ScenePlayer::SceneRead::Complete);
    EXPECT_EQ(classes(player), std::vector<std::string> { "constraint.Force" });
    EXPECT_TRUE(player.mapping.flag);
    EXPECT_EQ(player.mapping.offsetX, -160.0f);
    EXPECT_EQ(player.mapping.xTagName, "RadiusOut");
    EXPECT_EQ(player.GetSystem().getPartFactoryClass()->GetClassName(), "factory.ParticleFactoryUniform");
    EXPECT_NE(player.GetSystem().getPartFactoryClass()->getParameterExample().Find("<Amount>7</Amount>"), -1);
    EXPECT_EQ(player.GetHost().GetBackgroundImageStr(), "bg");
    EXPECT_EQ(player.GetHost().getWidth(), 640);
    EXPECT_EQ(player.GetHost().shouldErase(), 0);
    EXPECT_EQ(player.drawParticles, 0);
    EXPECT_EQ(player.drawConstraints, 1);
    EXPECT_EQ(player.directFrame, 0);
    // Only RENDER stays in the store; the particles stay in the system.
    EXPECT_EQ(player.GetImageStore().GetImageCount(), 1);
    EXPECT_NE(player.GetImageStore().GetImage("RENDER"), nullptr);
    EXPECT_EQ(player.GetSystem().particles.getParticleCount(), 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(SceneFile, NewerVersionsAreRefusedWithTheMessage)
{
    ScriptedUi ui;
    ScenePlayer player(&ui);
    SceneDescription scene;
    scene.version = 1001;
    EXPECT_EQ(read(player, EncodeScene(scene)), ScenePlayer::SceneRead::NewerVersion);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(
        ui.messages[0], "Unable to read file - it is a more recent format than this version of this program can read.");
    EXPECT_EQ(classes(player).size(), 4u);
    scene.version = -5; // old and odd versions are read
    EXPECT_EQ(read(player, EncodeScene(scene)), ScenePlayer::SceneRead::Complete);
}

TEST(SceneFile, UnknownPartFactoryKeepsTheFactoryWhichTakesTheParameters)
{
    ScenePlayer player;
    SceneDescription scene;
    scene.partFactoryClass = "no.Such";
    scene.partFactoryParameters = "<Amount>9</Amount>";
    read(player, EncodeScene(scene));
    IConstraint* factory = player.GetSystem().getPartFactoryClass();
    EXPECT_EQ(factory->GetClassName(), "factory.ParticlesSquare");
    EXPECT_NE(factory->getParameterExample().Find("<Amount>9</Amount>"), -1);
}

// Every prefix of a good scene file reads without harm: what was read before the cut is applied.
TEST(SceneFile, EveryTruncationStopsAtItsField)
{
    SceneDescription scene;
    scene.definition = "constraint.RemoveAged\r\n\r\n.\r\n";
    scene.mapping.scaleY = 2.0f;
    scene.height = 100;
    scene.directFrame = 0;
    const std::vector<std::uint8_t> bytes = EncodeScene(scene);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        ScriptedUi ui;
        ScenePlayer player(&ui);
        std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        ASSERT_EQ(read(player, prefix), ScenePlayer::SceneRead::Truncated) << cut;
        const bool definitionRead = cut >= 11 + 4 + 1 + scene.definition.str().size();
        EXPECT_EQ(classes(player).size(), definitionRead ? 1u : 4u) << cut;
        EXPECT_EQ(player.directFrame, 1) << cut; // the last field never made it
        if (player.GetHost().getHeight() == 100) {
            EXPECT_EQ(player.mapping.scaleY, 2.0f) << cut; // fields before height were applied
        }
    }
}

TEST(SceneFile, LoadingAFileReportsTruncationByName)
{
    TempDir dir;
    ScriptedUi ui;
    ScenePlayer player(&ui);
    std::vector<std::uint8_t> bytes = EncodeScene(SceneDescription());
    bytes.resize(bytes.size() - 3);
    const std::string path = dir.file("cut.zrk");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const ScenePlayer::LoadReport cut = player.LoadFile(path.c_str());
    EXPECT_EQ(cut.read, ScenePlayer::SceneRead::Truncated);
    player.ShowFindings(cut);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("cut.zrk: error: the file ends early"), std::string::npos) << ui.messages[0];
    const ScenePlayer::LoadReport missing = player.LoadFile(dir.file("missing.zrk").c_str());
    EXPECT_EQ(missing.read, ScenePlayer::SceneRead::Unopenable);
    player.ShowFindings(missing);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1], "Cannot load '" + dir.file("missing.zrk") + "': No such file or directory.");
}

TEST(ScenePlayer, ComposesBackgroundRenderParticlesAndConstraints)
{
    ScenePlayer player;
    player.GetSystem().constraints.removeAllConstraints();
    CDC dc(320, 240);
    dc.FillSolidRect(0, 0, 320, 240, RGB(9, 9, 9));
    player.ComposeFrame(dc, CSize(320, 240));
    EXPECT_EQ(dc.GetPixel(10, 10), 0u); // erased to black without a BACKGROUND

    auto background = player.GetImageStore().CreateImage(2, 2);
    background->Fill(RGB(0, 0, 200));
    player.GetImageStore().AddImage("BACKGROUND", std::move(background));
    auto render = player.GetImageStore().CreateImage(10, 10);
    render->Fill(RGB(200, 0, 0));
    player.GetImageStore().AddImage("RENDER", std::move(render));
    player.ComposeFrame(dc, CSize(320, 240));
    EXPECT_EQ(dc.GetPixel(5, 5), RGB(0, 0, 200)); // frames are direct: no RENDER
    EXPECT_EQ(dc.GetPixel(319, 239), RGB(0, 0, 200)); // tiled all over
    player.directFrame = 0;
    player.ComposeFrame(dc, CSize(320, 240));
    EXPECT_EQ(dc.GetPixel(5, 5), RGB(200, 0, 0));
    EXPECT_EQ(dc.GetPixel(15, 5), RGB(0, 0, 200));

    std::unique_ptr<CDibImage> snapshot = player.Snapshot(&dc);
    EXPECT_EQ(snapshot->GetPixel(5, 5), RGB(200, 0, 0));
    EXPECT_EQ(snapshot->GetWidth(), 320);
}

TEST(ScenePlayer, BackgroundTextureDrawsGreysFromTheSharedSequence)
{
    CDib texture;
    MakeBackgroundTexture(texture);
    ASSERT_EQ(texture.GetWidth(), 128);
    for (int y = 0; y < 128; y += 17)
        for (int x = 0; x < 128; x += 13) {
            const COLORREF c = texture.GetPixel(x, y);
            EXPECT_EQ(GetRValue(c), GetBValue(c));
            EXPECT_GE(GetRValue(c), 180);
            EXPECT_LE(GetRValue(c), 204);
        }
}

} // namespace
