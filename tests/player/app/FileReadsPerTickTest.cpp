// No shipped scene may read files by the hundred on every tick (an image delta factory that drives a
// loader at every lit pixel does exactly that): a few reads a tick at most, counted where every file read
// of the program goes through, platform::ReadWholeFile.
#include "platform/CStdioFile.h"
#include "player/app/ScenePlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A picture loaded afresh by two constraints on every tick, each tried by the JPEG reader first.
constexpr long kMostReadsPerTick = 4;

std::vector<std::string> shippedScenes()
{
    std::vector<std::string> scenes { "" }; // the player's own default scene
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(MIRRIM_SOURCE_DIR) / "scenes")) {
        const std::string ext = e.path().extension().string();
        if (ext == ".vq" || ext == ".zrk")
            scenes.push_back("scenes/" + e.path().filename().string());
    }
    std::sort(scenes.begin(), scenes.end());
    return scenes;
}

// As the window and `mirrim-cli render` load it: pictures the working directory lacks come from beside
// the file.
void load(ScenePlayer& player, const std::string& scene)
{
    if (!scene.empty()) {
        ASSERT_EQ(player.LoadFile(scene.c_str()).read, ScenePlayer::SceneRead::Complete) << scene;
    }
}

TEST(FileReadsPerTick, EveryShippedSceneReadsAtMostAFewFilesATick)
{
    const fs::path previous = fs::current_path();
    fs::current_path(MIRRIM_SOURCE_DIR); // the scenes name their pictures from here
    for (const std::string& scene : shippedScenes()) {
        ScenePlayer player;
        load(player, scene);
        for (int i = 0; i < 3; ++i)
            player.Tick(false, 0, 0); // first loads
        long most = 0;
        for (int i = 0; i < 20; ++i) {
            const long before = platform::FileOpenAttempts();
            player.Tick(i % 2 == 0, 100, 100);
            most = std::max(most, platform::FileOpenAttempts() - before);
        }
        EXPECT_LE(most, kMostReadsPerTick) << (scene.empty() ? "the default scene" : scene);
        EXPECT_GT(player.GetSystem().particles.getParticleCount(), 0) << scene;
    }
    fs::current_path(previous);
}

} // namespace
