// mirrim-cli seeds, warm-up and seamless loops, held against the frames and particles they give.
#include "tests/FileText.h"
#include "tests/RunCommand.h"
#include "tests/TempDir.h"
#include "tests/VideoTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

CommandResult cli(const std::string& args)
{
    return RunCommand("(" + std::string(MIRRIM_CLI) + " " + args + ") 2>&1");
}

// The last picture and the particles left after 60 ticks of the default scene (or of FILE), rendered
// with the extra options, as one string.
std::string outcome(const TempDir& dir, const std::string& options, const std::string& command = "render")
{
    const std::string dump = dir.file("p.csv");
    const std::string picture = command == "render" ? " --snapshot " + dir.file("s.bmp") : "";
    const CommandResult r = cli(command + " -q --steps 60 --dump-particles " + dump + picture + " " + options);
    EXPECT_EQ(r.status, 0) << options << "\n" << r.out;
    return FileText(dump) + (picture.empty() ? "" : FileText(dir.file("s.bmp")));
}

TEST(CliSeed, SameSeedRepeatsOthersDifferAndTheSceneCarriesOne)
{
    TempDir dir;
    // The default scene with a seed block in front of it.
    const std::string seeded = dir.file("seeded.vq");
    std::ofstream(seeded, std::ios::binary) << "constraint.Seed\r\n<Seed>7</Seed>\r\n\r\n.\r\n"
                                            << FileText(std::string(MIRRIM_SOURCE_DIR) + "/scenes/default.vq");
    for (const char* command : { "render", "run" }) {
        SCOPED_TRACE(command);
        const std::string unseeded = outcome(dir, "", command);
        const std::string seven = outcome(dir, "--seed 7", command);
        EXPECT_GT(seven.size(), 1000u);
        EXPECT_EQ(outcome(dir, "--seed 1", command), unseeded); // 1 is where the sequence always started
        EXPECT_EQ(outcome(dir, "--seed 7", command), seven);
        EXPECT_NE(seven, unseeded);
        EXPECT_NE(outcome(dir, "--seed 8", command), seven);
        EXPECT_EQ(outcome(dir, seeded, command), seven);
        EXPECT_EQ(outcome(dir, seeded + " --seed 1", command), unseeded); // the option wins
    }
    // make-scene puts the seed in the scene file it writes.
    const std::string zrk = dir.file("seeded.zrk");
    ASSERT_EQ(cli("make-scene -q --seed 7 --definition " + std::string(MIRRIM_SOURCE_DIR) + "/scenes/default.vq " + zrk)
                  .status,
        0);
    EXPECT_EQ(outcome(dir, zrk, "run"), outcome(dir, "--seed 7", "run"));
}

TEST(CliWarmup, RecordingStartsAfterTheWarmUp)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    const std::string scene = std::string(MIRRIM_SOURCE_DIR) + "/scenes/streaks.zrk";
    const CommandResult warm = cli("render -q " + scene + " --warmup 40 --steps 20 --out " + dir.file("w.mkv")
        + " --snapshot " + dir.file("w.bmp"));
    ASSERT_EQ(warm.status, 0) << warm.out;
    ASSERT_EQ(cli("render -q " + scene + " --steps 60 --snapshot " + dir.file("c.bmp")).status, 0);
    EXPECT_EQ(FileText(dir.file("w.bmp")), FileText(dir.file("c.bmp")));
    EXPECT_NE(videotools::Probe(dir.file("w.mkv"), "nb_read_frames").find("nb_read_frames=20"), std::string::npos);
    // The video's last frame is the snapshot's picture.
    const std::string frames = videotools::DecodeRgb(dir.file("w.mkv"));
    const std::size_t frameBytes = 320 * 240 * 3;
    ASSERT_EQ(frames.size(), 20 * frameBytes);
    EXPECT_EQ(frames.substr(19 * frameBytes), videotools::DecodeRgb(dir.file("w.bmp")));
}

TEST(CliLoop, LastFrameFlowsIntoTheFirst)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    const std::size_t frameBytes = 320 * 240 * 3;
    for (const char* scene : { "streaks.zrk", "fireworks.zrk" }) {
        SCOPED_TRACE(scene);
        const std::string video = dir.file(std::string(scene) + ".mkv");
        const CommandResult r = cli("render -q " + std::string(MIRRIM_SOURCE_DIR) + "/scenes/" + scene
            + " --warmup 60 --loop 40 --out " + video);
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find("frames recorded 40"), std::string::npos) << r.out;
        const std::string frames = videotools::DecodeRgb(video);
        ASSERT_EQ(frames.size(), 40 * frameBytes);
        std::vector<double> neighbours;
        for (std::size_t k = 0; k + 1 < 40; ++k)
            neighbours.push_back(videotools::Psnr(
                frames.substr(k * frameBytes, frameBytes), frames.substr((k + 1) * frameBytes, frameBytes)));
        std::nth_element(neighbours.begin(), neighbours.begin() + 19, neighbours.end());
        const double wrap = videotools::Psnr(frames.substr(39 * frameBytes), frames.substr(0, frameBytes));
        EXPECT_GE(wrap, neighbours[19]);
    }
    // Seconds are counted at the clip's rate, the fade's too.
    const CommandResult seconds = cli("render -q --loop 1.5s --blend 0.25s --fps 20 --out " + dir.file("s.mkv"));
    EXPECT_NE(seconds.out.find("steps 35, particles alive"), std::string::npos) << seconds.out;
    EXPECT_NE(seconds.out.find("frames recorded 30"), std::string::npos) << seconds.out;
    // A loop needs a video, a fade no longer than itself, and sets the steps itself.
    for (const char* options : { "--loop 10", "--loop 10 --blend 11 --out x.mkv", "--loop 10 --steps 5 --out x.mkv",
             "--loop 2000000 --out x.mkv", "--loop 0.01s --out x.mkv", "--loop 2.5 --out x.mkv",
             "--loop 5000s --fps 240 --out x.mkv", "--warmup 2147483000 --steps 1000" })
        EXPECT_EQ(cli(std::string("render -q ") + options).status, 2) << options;
}

} // namespace
