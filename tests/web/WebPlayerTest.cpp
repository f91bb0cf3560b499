// The page's player, built natively: what the page reads from it (canvas bytes, frame size, messages)
// and how browser-decoded pictures reach the engine. That it plays as mirrim-cli does is the Node tests'.
#include "web/WebPlayer.h"

#include "particle/core/ConstraintCollection.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleSystem.h"
#include "platform/CStdioFile.h"
#include "player/app/SceneFile.h"
#include "player/imaging/codecs/PictureLimits.h"
#include "player/imaging/store/CDib.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

TEST(WebPlayer, CanvasBytesAreTheFramesPixelsAsRedGreenBlueOpaque)
{
    WebPlayer player;
    for (int i = 0; i < 30; ++i)
        player.Tick(true, 50 + i, 60);
    const CDC* frame = player.Frame();
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(frame->GetWidth(), 320);
    const std::uint8_t* rgba = player.FrameRgba();
    int lit = 0;
    for (int y = 0; y < frame->GetHeight(); ++y) {
        for (int x = 0; x < frame->GetWidth(); ++x, rgba += 4) {
            const COLORREF c = frame->GetPixel(x, y);
            ASSERT_EQ(rgba[0], GetRValue(c)) << x << "," << y;
            ASSERT_EQ(rgba[1], GetGValue(c));
            ASSERT_EQ(rgba[2], GetBValue(c));
            ASSERT_EQ(rgba[3], 0xFF);
            lit += c != 0 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 0); // the particles are there to be seen

    // The texture: 128 x 128 greys between 180 and 204, opaque.
    const std::uint8_t* texture = player.TextureRgba();
    ASSERT_NE(texture, nullptr);
    for (int i = 0; i < 128 * 128; ++i, texture += 4) {
        ASSERT_TRUE(texture[0] == texture[1] && texture[1] == texture[2] && texture[3] == 0xFF);
        ASSERT_TRUE(texture[0] >= 180 && texture[0] <= 204) << int(texture[0]);
    }
}

TEST(WebPlayer, FrameFollowsTheScenesSizeWithinItsLimit)
{
    TempDir dir;
    const struct {
        int width, height;
        bool shown;
    } sizes[] = {
        { 100, 50, true },
        { WebPlayer::kMaxFrameSide, 16, true },
    };
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        SceneDescription scene;
        scene.definition = "factory.ParticleFactoryUniform\r\n<CenterX>20</CenterX>\r\n.\r\n";
        scene.width = size.width;
        scene.height = size.height;
        const std::string path = dir.file("sized.zrk");
        writeFile(path, EncodeScene(scene));
        WebPlayer player;
        ASSERT_EQ(player.Load(path.c_str()), SceneEngine::SceneRead::Complete);
        player.Tick(false, 0, 0);
        ASSERT_NE(player.Frame(), nullptr);
        EXPECT_EQ(player.Frame()->GetWidth(), size.width);
        EXPECT_EQ(player.Frame()->GetHeight(), size.height);
        EXPECT_NE(player.FrameRgba(), nullptr);
        EXPECT_EQ(player.Engine().GetSystem().particles.getParticleCount(), 1); // it plays on all the same
    }
}

// Files that would leave nothing to show (no constraint at all, or a size the page cannot show) are
// refused with a message, and the running scene plays on unchanged.
TEST(WebPlayer, FilesThatYieldNoSceneAreRefusedAndTheSceneGoesOn)
{
    TempDir dir;
    std::vector<std::uint8_t> noise(4096);
    std::uint32_t seed = 12345;
    for (std::uint8_t& byte : noise)
        byte = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    auto sized = [](int width, int height) {
        SceneDescription scene;
        scene.definition = "constraint.RemoveAged\r\n\r\n.\r\n";
        scene.width = width;
        scene.height = height;
        return EncodeScene(scene);
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* why;
    } files[] = {
        { "noise.zrk", noise, "holds no scene" },
        { "picture.gif", { 'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';' }, "holds no scene" },
        { "blank.vq", { ' ', '\n' }, "holds no scene" },
        { "wide.zrk", sized(WebPlayer::kMaxFrameSide + 1, 16), "4097 x 16 pixels" },
        { "flat.zrk", sized(320, 0), "320 x 0 pixels" },
        { "huge.zrk", sized(1 << 30, 1 << 30), "1073741824 x 1073741824" },
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        WebPlayer player;
        ConstraintCollection& constraints = player.Engine().GetSystem().constraints;
        const int before = constraints.getConstraintCount();
        ASSERT_GT(before, 0);
        const std::string path = dir.file(file.name);
        writeFile(path, file.bytes);
        EXPECT_EQ(player.Load(path.c_str()), SceneEngine::SceneRead::Rejected);
        const std::string said = player.TakeMessages();
        EXPECT_NE(said.find("was not loaded"), std::string::npos) << said;
        EXPECT_NE(said.find(file.why), std::string::npos) << said;
        EXPECT_EQ(constraints.getConstraintCount(), before);
        ASSERT_NE(player.Frame(), nullptr);
        EXPECT_EQ(player.Frame()->GetWidth(), 320);
    }
}

TEST(WebPlayer, MessagesWaitForThePageOnce)
{
    TempDir dir;
    SceneDescription newer;
    newer.version = 1001;
    const std::string path = dir.file("newer.zrk");
    writeFile(path, EncodeScene(newer));
    WebPlayer player;
    EXPECT_EQ(player.Load(path.c_str()), SceneEngine::SceneRead::NewerVersion);
    EXPECT_NE(player.TakeMessages().find("more recent format"), std::string::npos);
    EXPECT_EQ(player.TakeMessages(), "");
    EXPECT_EQ(player.Load(dir.file("missing.zrk").c_str()), SceneEngine::SceneRead::Unopenable);
}

// JPEG and PNG pictures come from the browser as canvas pixels and are stored as BMP files for the
// engine's readers: the picture the engine then loads has exactly those pixels.
TEST(WebPlayer, PicturesFromTheBrowserReadBackPixelForPixel)
{
    TempDir dir;
    const int width = 7; // rows of 21 bytes: padded in the file
    const int height = 3;
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < width * height; ++i)
        rgba.insert(rgba.end(), { std::uint8_t(i * 11), std::uint8_t(255 - i), std::uint8_t(i * 3), std::uint8_t(i) });
    const std::string path = dir.file("photo.jpg"); // the name the scene uses, whatever the file holds
    ASSERT_TRUE(WebPlayer::StorePicture(path.c_str(), rgba.data(), width, height));
    CDib read;
    ASSERT_TRUE(read.Load(path.c_str()));
    ASSERT_EQ(read.GetWidth(), width);
    ASSERT_EQ(read.GetHeight(), height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &rgba[static_cast<std::size_t>(y * width + x) * 4];
            EXPECT_EQ(read.GetPixel(x, y), RGB(p[0], p[1], p[2])) << x << "," << y; // alpha dropped
        }
    }

    // Sizes beyond what a picture may be are refused before anything is allocated or written.
    const std::string refused = dir.file("huge.png");
    EXPECT_FALSE(WebPlayer::StorePicture(refused.c_str(), rgba.data(), static_cast<int>(kPixelBudget.maxSide) + 1, 1));
    EXPECT_FALSE(WebPlayer::StorePicture(refused.c_str(), rgba.data(), 0, 5));
    EXPECT_FALSE(WebPlayer::StorePicture(refused.c_str(), nullptr, width, height));
    EXPECT_FALSE(std::filesystem::exists(refused));
}

// An edit keeps the particles and the constraints still in their places (same objects, state and all),
// yet leaves exactly the scene the text describes: a tag no longer written is back at its default. The
// scene file then holds the text with its other fields, so a fresh start plays what was edited.
TEST(WebPlayer, EditsChangeTheRunningSceneInPlaceAndStayInItsFile)
{
    TempDir dir;
    SceneDescription scene;
    scene.definition = "factory.ParticleFactoryUniform\r\n<CenterX>20</CenterX><Amount>3</Amount>\r\n.\r\n"
                       "constraint.Force\r\n<DeltaX>0.5</DeltaX><DeltaY>0.25</DeltaY>\r\n.\r\n";
    scene.width = 200;
    scene.height = 150;
    const std::string path = dir.file("edited.zrk");
    writeFile(path, EncodeScene(scene));
    WebPlayer player;
    ASSERT_EQ(player.Load(path.c_str()), SceneEngine::SceneRead::Complete);
    EXPECT_EQ(player.DefinitionText(path.c_str()), scene.definition.str());
    for (int i = 0; i < 10; ++i)
        player.Tick(false, 0, 0);
    ConstraintCollection& live = player.Engine().GetSystem().constraints;
    IConstraint* factory = live.getConstraint(0);
    IConstraint* force = live.getConstraint(1);
    const int particles = player.Engine().GetSystem().particles.getParticleCount();
    ASSERT_GT(particles, 0);

    // As the page's text area gives it: lines ended by LF.
    const std::string text = "factory.ParticleFactoryUniform\n<CenterX>20</CenterX><Amount>3</Amount>\n.\n"
                             "constraint.RemoveAged\n<MaximumAge>50</MaximumAge>\n.\n"
                             "constraint.Force\n<DeltaY>0.123456789</DeltaY>\n.\n";
    ASSERT_TRUE(player.Edit(path.c_str(), text)) << player.Findings();
    EXPECT_EQ(player.Findings(), "");
    EXPECT_EQ(player.Engine().GetSystem().particles.getParticleCount(), particles);
    ASSERT_EQ(live.getConstraintCount(), 3);
    EXPECT_EQ(live.getConstraint(0), factory);
    EXPECT_EQ(live.getConstraint(2), force);
    ConstraintCollection written;
    written.populateFromDefinitionString(DefinitionTextOf(std::vector<std::uint8_t>(text.begin(), text.end())));
    EXPECT_EQ(live.getConstraintDefinition(), written.getConstraintDefinition());

    WebPlayer fresh;
    ASSERT_EQ(fresh.Load(path.c_str()), SceneEngine::SceneRead::Complete);
    EXPECT_EQ(fresh.Engine().GetSystem().constraints.getConstraintDefinition(), written.getConstraintDefinition());
    EXPECT_EQ(fresh.Engine().GetHost().getWidth(), 200);
    EXPECT_EQ(fresh.Engine().GetHost().getHeight(), 150);

    // Numbers are taken as written, not rounded to the few decimals a definition prints.
    ParticleBase edited;
    ParticleBase asWritten;
    force->apply(&edited);
    written.getConstraint(2)->apply(&asWritten);
    EXPECT_EQ(edited.getDeltaX(), asWritten.getDeltaX());
    EXPECT_EQ(edited.getDeltaY(), asWritten.getDeltaY());
    EXPECT_EQ(edited.getDeltaY(), 0.123456789f);
}

// Text the loader would read otherwise than written, or not at all, leaves the scene as it was and says
// where; so does text beyond what a definition file may hold, which is not even checked.
TEST(WebPlayer, BadEditsLeaveTheSceneAsItWas)
{
    TempDir dir;
    const std::string path = dir.file("default.vq");
    const struct {
        std::string text;
        const char* said;
    } edits[] = {
        { "constraint.Force\n<DeltaY>1</DeltaY>\n.\nconstraint.NoSuchForce\n.\n", "default.vq:4: error:" },
        { "just words\n", "names no constraint class" },
        { "constraint.Force\n" + std::string(CStdioFile::kDefaultMaxBytes, ' ') + "\n.\n", "bytes long" },
    };
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit.said);
        WebPlayer player;
        player.Tick(true, 50, 50);
        const std::string before = player.DefinitionText("");
        EXPECT_FALSE(player.Edit(path.c_str(), edit.text));
        EXPECT_NE(player.Findings().find(edit.said), std::string::npos) << player.Findings();
        EXPECT_EQ(player.DefinitionText(""), before);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

} // namespace
