// mirrim-cli render writing videos and picture sequences, read back with ffprobe and ffmpeg and held
// against the snapshot of the same run.
#include "tests/FileText.h"
#include "tests/RunCommand.h"
#include "tests/TempDir.h"
#include "tests/VideoTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

CommandResult cli(const std::string& args)
{
    return RunCommand("(" + std::string(MIRRIM_CLI) + " " + args + ") 2>&1");
}

std::string scene(const char* name)
{
    return std::string(MIRRIM_SOURCE_DIR) + "/scenes/" + name;
}

// The last frame of everything ffmpeg decodes from the file, as top-down RGB of frameBytes.
std::string lastFrame(const std::string& decoded, std::size_t frameBytes)
{
    if (decoded.size() < frameBytes || decoded.size() % frameBytes != 0)
        return std::string();
    return decoded.substr(decoded.size() - frameBytes);
}

// Every output kind of the default scene and of the streaks (one-pixel coloured lines, the hardest case
// for half-resolution colour) after the default 300 steps: its stream as ffprobe reads it, and its last
// frame against the snapshot. The lossy floors sit about a decibel below what the default qualities
// gave here (default scene / streaks): Motion JPEG in 4:4:4 52.4 / 44.3 dB, H.264 at CRF 15 in MOV at the
// scene's size 37.8 / 35.6, the GIF's one palette 60.6 / 49.6. MP4 and WebM are drawn at twice the
// scene's size in 2 x 2 blocks, one per sample of their half-resolution colour (and so is the snapshot of
// the run): MP4 54.7 / 42.8, VP9 at CRF 25 49.7 / 39.8 (drawn smoothly at twice the size: 37.4 / 34.3 and
// 37.1 / 33.2).
TEST(RenderVideo, EachFormatHoldsTheFramesTheSnapshotShows)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    const struct {
        const char* out;
        const char* extra;
        const char* stream; // codec, size and rate as ffprobe reads them
        double defaultScene; // least PSNR of the last frame; infinity: equal
        double streaks;
    } cases[] = {
        { "clip.avi", "", "codec_name=mjpeg\nwidth=320\nheight=240\nr_frame_rate=30/1\n", 40, 40 },
        { "clip.mp4", "", "codec_name=h264\nwidth=640\nheight=480\nr_frame_rate=30/1\n", 53, 41.5 },
        { "clip.MOV", "--fps 24", "codec_name=h264\nwidth=320\nheight=240\nr_frame_rate=24/1\n", 36.5, 34.5 },
        { "clip.mkv", "", "codec_name=ffv1\nwidth=320\nheight=240\nr_frame_rate=30/1\n", INFINITY, INFINITY },
        { "clip.webm", "--fps 60", "codec_name=vp9\nwidth=640\nheight=480\nr_frame_rate=60/1\n", 48.5, 38.5 },
        { "clip.gif", "--fps 25", "codec_name=gif\nwidth=320\nheight=240\nr_frame_rate=25/1\n", 55, 45 },
        { "lossless.avi", "--codec ffv1", "codec_name=ffv1\nwidth=320\nheight=240\nr_frame_rate=30/1\n", INFINITY,
            INFINITY },
        // ffmpeg reads a numbered sequence as one stream at 25 pictures a second.
        { "clip%03d.png", "", "codec_name=png\nwidth=320\nheight=240\nr_frame_rate=25/1\n", INFINITY, INFINITY },
    };
    const int steps = 300;
    TempDir dir;
    for (const char* input : { "", "streaks.zrk" }) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.out) + " " + input);
            const std::string out = dir.file(c.out);
            const std::string snapshot = dir.file("last.png");
            const CommandResult r = cli(std::string("render -q --steps ") + std::to_string(steps) + " --out '" + out
                + "' " + c.extra + " --snapshot " + snapshot + (*input ? " --scene " + scene(input) : ""));
            ASSERT_EQ(r.status, 0) << r.out;
            EXPECT_EQ(videotools::Probe(out, "codec_name,width,height,r_frame_rate,nb_read_frames"),
                c.stream + std::string("nb_read_frames=") + std::to_string(steps) + "\n");
            const std::size_t frameBytes
                = std::string(c.stream).find("width=640") != std::string::npos ? 640 * 480 * 3 : 320 * 240 * 3;
            const std::string last = lastFrame(videotools::DecodeRgb(out), frameBytes);
            const std::string shown = videotools::DecodeRgb(snapshot);
            ASSERT_EQ(shown.size(), frameBytes);
            const double psnr = videotools::Psnr(last, shown);
            EXPECT_GE(psnr, *input ? c.streaks : c.defaultScene);
        }
    }
}

// Against every frame of a shipped scene (measured frame by frame, not by time: a GIF's delays are
// whole hundredths): one palette without dithering, the default, comes closer than the dithered one of
// old at no larger a size (fireworks, 100 frames: 49.2 dB at 257 kB against 48.7 dB at 260 kB), and a
// palette per frame closer still (52.0 dB at 282 kB).
TEST(RenderVideo, GifPalettesAgainstTheFrames)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    const std::string render = "render -q --steps 100 --scene " + scene("fireworks.zrk") + " --out ";
    ASSERT_EQ(cli(render + dir.file("frames.mkv")).status, 0);
    const std::string frames = videotools::DecodeRgb(dir.file("frames.mkv"));
    std::map<std::string, double> psnr;
    std::map<std::string, std::uintmax_t> size;
    for (const char* palette : { "", "dithered", "frame" }) {
        const std::string gif = dir.file(std::string("p") + palette + ".gif");
        ASSERT_EQ(cli(render + gif + (*palette ? std::string(" --gif-palette ") + palette : "")).status, 0);
        psnr[palette] = videotools::Psnr(videotools::DecodeRgb(gif), frames);
        size[palette] = std::filesystem::file_size(gif);
    }
    EXPECT_GT(psnr[""], psnr["dithered"] + 0.3);
    EXPECT_LE(size[""], size["dithered"]);
    EXPECT_GT(psnr["frame"], psnr[""] + 2.0);
}

// --scale 4 makes every frame and the snapshot 1280 x 960, each pixel a 4 x 4 block of the original.
TEST(RenderVideo, ScaleEnlargesFramesAndSnapshotIntoBlocks)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    ASSERT_EQ(cli("render -q --steps 6 --snapshot " + dir.file("small.png")).status, 0);
    const std::string small = videotools::DecodeRgb(dir.file("small.png"));
    ASSERT_EQ(small.size(), 320u * 240 * 3);
    for (const char* out : { "big.mkv", "big.avi --codec ffv1", "big%d.png" }) {
        SCOPED_TRACE(out);
        const CommandResult r
            = cli("render -q --steps 6 --scale 4 --snapshot " + dir.file("big.png") + " --out " + dir.file(out));
        ASSERT_EQ(r.status, 0) << r.out;
        const std::string path = dir.file(std::string(out).substr(0, std::string(out).find(' ')));
        EXPECT_EQ(videotools::Probe(path, "width,height,nb_read_frames"), "width=1280\nheight=960\nnb_read_frames=6\n");
        const std::string big = lastFrame(videotools::DecodeRgb(path), 1280 * 960 * 3);
        ASSERT_EQ(big, videotools::DecodeRgb(dir.file("big.png")));
        int strayPixels = 0;
        for (int y = 0; y < 960; ++y) {
            for (int x = 0; x < 1280; ++x)
                strayPixels += big.compare((y * 1280 + x) * 3, 3, small, ((y / 4) * 320 + x / 4) * 3, 3) != 0;
        }
        EXPECT_EQ(strayPixels, 0);
    }
}

TEST(RenderVideo, PictureSequenceNamesFollowThePattern)
{
    TempDir dir;
    ASSERT_EQ(cli("render -q --steps 3 --out " + dir.file("f%04d.PNG")).status, 0);
    ASSERT_EQ(cli("render -q --steps 2 --out " + dir.file("100%%-%d.png")).status, 0);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "100%-1.png", "100%-2.png", "f0001.PNG", "f0002.PNG", "f0003.PNG" }));
    EXPECT_EQ(FileText(dir.file("f0003.PNG")).substr(0, 4), "\x89PNG");

    // A name that cannot number the pictures is refused before anything runs.
    for (const char* bad : { "frame.png", "f%d%d.png", "f%s.png", "f%x.png", "f%10d.png", "f%-3d.png", "f%.png" }) {
        const CommandResult r = cli("render --steps 3 --out '" + dir.file(bad) + "'");
        EXPECT_EQ(r.status, 2) << bad << r.out;
        EXPECT_NE(r.out.find("needs one frame number in its name"), std::string::npos) << bad << r.out;
    }
    EXPECT_EQ(cli("render --steps 3 --out '" + dir.file("f%d.png") + "' --codec gif").status, 1);
}

// Outputs are checked before the first step, by the rules their writers follow: a snapshot goes through
// links and into pipes and devices as they are, a video is made beside its name.
TEST(RenderVideo, OutputsAreCheckedAsTheyWillBeWritten)
{
    TempDir dir;
    const CommandResult missing = cli("render --steps 100000 --out " + dir.file("no/clip.mp4"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("No such file or directory"), std::string::npos) << missing.out;
    EXPECT_EQ(cli("render --steps 100000 --out " + dir.file("clip.flv")).status, 2);
    EXPECT_EQ(cli("render --steps 0 --out " + dir.file("clip.mp4")).status, 2);
    EXPECT_EQ(cli("render --steps 3 --out " + dir.file("clip.webm") + " --codec h264").status, 1);

    // Standard output, a pipe with a reader, and a link to a file all take the snapshot.
    const CommandResult out = RunCommand(std::string(MIRRIM_CLI) + " render -q --steps 2 --snapshot /dev/stdout");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.out.substr(0, 2), "BM");
    const std::string fifo = dir.file("pipe.png");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const CommandResult piped = RunCommand("cat " + fifo + " > " + dir.file("got.png") + " & " + MIRRIM_CLI
        + " render -q --steps 2 --snapshot " + fifo + "; status=$?; wait; exit $status");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(FileText(dir.file("got.png")).substr(0, 4), "\x89PNG");
    ASSERT_EQ(symlink("real.png", dir.file("link.png").c_str()), 0);
    EXPECT_EQ(cli("render -q --steps 2 --snapshot " + dir.file("link.png")).status, 0);
    struct stat info { };
    EXPECT_TRUE(lstat(dir.file("link.png").c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    EXPECT_EQ(FileText(dir.file("real.png")).substr(0, 4), "\x89PNG");

    // A link into a folder that is not there, a read-only descriptor, a device that is full.
    ASSERT_EQ(symlink("gone/x.bmp", dir.file("dangling.bmp").c_str()), 0);
    const CommandResult dangling = cli("render --steps 100000 --snapshot " + dir.file("dangling.bmp"));
    EXPECT_EQ(dangling.status, 1);
    EXPECT_NE(dangling.out.find("No such file or directory"), std::string::npos) << dangling.out;
    EXPECT_EQ(cli("render --steps 100000 --snapshot /dev/fd/5 5</dev/null").status, 1);
    const CommandResult full = cli("render -q --steps 2 --snapshot /dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.out.find("No space left on device"), std::string::npos) << full.out;
}

// Videos follow the rules every output does: a link's target is written and the link stays, a pipe or
// device is written in place (a pipe's reader gets the whole video), and a name with no room for a
// temporary suffix is still replaced.
TEST(RenderVideo, VideosAreWrittenThroughLinksPipesAndDevices)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    const bool device = mknod(dir.file("null.mkv").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    for (const std::string option : { "--avi ", "--out " }) {
        SCOPED_TRACE(option);
        const std::string ext = option == "--avi " ? ".avi" : ".mkv";
        std::filesystem::remove(dir.file("real" + ext));
        ASSERT_EQ(symlink(("real" + ext).c_str(), dir.file("link" + ext).c_str()), 0);
        EXPECT_EQ(cli("render -q --steps 5 " + option + dir.file("link" + ext)).status, 0);
        EXPECT_EQ(std::filesystem::read_symlink(dir.file("link" + ext)), "real" + ext);
        EXPECT_EQ(videotools::Probe(dir.file("real" + ext), "nb_read_frames"), "nb_read_frames=5\n");

        const std::string fifo = dir.file("pipe" + ext);
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        const CommandResult piped = RunCommand("cat " + fifo + " > " + dir.file("got" + ext) + " & " + MIRRIM_CLI
            + " render -q --steps 5 " + option + fifo + "; status=$?; wait; exit $status");
        EXPECT_EQ(piped.status, 0) << piped.out;
        EXPECT_TRUE(std::filesystem::is_fifo(fifo));
        EXPECT_EQ(videotools::Probe(dir.file("got" + ext), "nb_read_frames"), "nb_read_frames=5\n");

        if (device) {
            EXPECT_EQ(cli("render -q --steps 5 " + option + dir.file("null.mkv")).status, 0);
            EXPECT_TRUE(std::filesystem::is_character_file(dir.file("null.mkv")));
        }

        const std::string longName = dir.file(std::string(251, 'n') + ext);
        ASSERT_TRUE(std::ofstream(longName) << "old");
        const CommandResult longer = cli("render -q --steps 5 " + option + longName);
        EXPECT_EQ(longer.status, 0) << longer.out;
        EXPECT_EQ(videotools::Probe(longName, "nb_read_frames"), "nb_read_frames=5\n");
        std::filesystem::remove_all(fifo);
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(entry.path().filename().string()[0], '.') << "temporary file left: " << entry.path();
}

// The render's own process, started without a shell in between so that the signal reaches it; its
// stdout and stderr go to log.
pid_t startRender(const std::string& args, const std::string& log)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string line = "exec " + std::string(MIRRIM_CLI) + " " + args + " > " + log + " 2>&1";
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// The size of the largest file the process has open in directory (the video being written, which may
// have no name yet).
std::uintmax_t openFileSize(pid_t pid, const std::string& directory)
{
    std::error_code error;
    std::uintmax_t largest = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        const std::uintmax_t size = std::filesystem::file_size(entry.path(), error);
        if (target.compare(0, directory.size(), directory) == 0 && !error)
            largest = std::max(largest, size);
    }
    return largest;
}

// Waits until the video has grown by a few frames' worth beyond what its start wrote (an AVI claims
// room for its index at once), or a minute has passed.
void waitForFrames(pid_t pid, const std::string& directory)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::uintmax_t started = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::uintmax_t size = openFileSize(pid, directory);
        if (started == 0 && size > 0)
            started = size;
        if (started > 0 && size > started + 20000)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// SIGINT, SIGTERM or SIGHUP while frames are being written: a file of that name stays as it was until
// the new one is complete, the new file is finished (ffprobe finds its frames and its duration), the
// snapshot is the last frame written, nothing temporary is left, and the exit status says which signal.
TEST(RenderVideo, InterruptionFinishesTheVideoAndTheSnapshot)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    for (const auto& [signal, out] :
        { std::pair { SIGINT, "stopped.mkv" }, { SIGTERM, "stopped.mp4" }, { SIGHUP, "stopped.avi" } }) {
        SCOPED_TRACE(out);
        const std::string log = dir.file("log.txt");
        ASSERT_TRUE(std::ofstream(dir.file(out)) << "old");
        // --scale 1: the MP4 at the scene's size, as the frames are compared below.
        const pid_t pid = startRender("render -q --scale 1 --steps 1000000 --out " + dir.file(out) + " --snapshot "
                + dir.file("last.png") + " --scene " + scene("fountain.zrk"),
            log);
        ASSERT_GT(pid, 0);
        waitForFrames(pid, dir.path());
        EXPECT_EQ(FileText(dir.file(out)), "old");
        kill(pid, signal);
        int raw = 0;
        ASSERT_EQ(waitpid(pid, &raw, 0), pid);
        ASSERT_TRUE(WIFEXITED(raw)) << FileText(log);
        EXPECT_EQ(WEXITSTATUS(raw), 128 + signal);

        const std::string said = FileText(log);
        const std::size_t at = said.find("interrupted after ");
        ASSERT_NE(at, std::string::npos) << said;
        const int frames = std::atoi(said.c_str() + at + 18);
        EXPECT_GT(frames, 0);
        EXPECT_NE(said.find("frames recorded " + std::to_string(frames) + "\n"), std::string::npos) << said;

        const std::string probed = videotools::Probe(dir.file(out), "nb_read_frames");
        EXPECT_EQ(probed, "nb_read_frames=" + std::to_string(frames) + "\n");
        const double duration = std::atof(videotools::Output("ffprobe -v error -show_entries format=duration -of "
                                                             "default=nw=1:nk=1 "
            + dir.file(out))
                                              .c_str());
        EXPECT_NEAR(duration, frames / 30.0, 0.05);

        // The snapshot is the last frame written: exactly, or nearer to it than to the frame before.
        const std::size_t frameBytes = 320 * 240 * 3;
        const std::string decoded = videotools::DecodeRgb(dir.file(out));
        const std::string snapshot = videotools::DecodeRgb(dir.file("last.png"));
        ASSERT_GE(decoded.size(), 2 * frameBytes);
        const double last = videotools::Psnr(lastFrame(decoded, frameBytes), snapshot);
        const double before = videotools::Psnr(decoded.substr(decoded.size() - 2 * frameBytes, frameBytes), snapshot);
        EXPECT_GE(last, signal == SIGINT ? INFINITY : 30.0);
        EXPECT_GT(last, before);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5) << "temporary file left";
}

// Waits until the log of a render says text; false after a minute.
bool logSays(const std::string& log, const std::string& text)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (FileText(log).find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A seamless loop is written only once its last tick is played: a signal before then leaves no video,
// neither an empty one nor a temporary file, and the file of that name as it was.
TEST(RenderVideo, InterruptedLoopLeavesTheOldFile)
{
    TempDir dir;
    for (const char* out : { "loop.mp4", "loop.avi" }) {
        SCOPED_TRACE(out);
        const std::string log = dir.file(std::string(out) + ".log");
        ASSERT_TRUE(std::ofstream(dir.file(out)) << "old");
        const pid_t pid
            = startRender("render --loop 200 --out " + dir.file(out) + " --scene " + scene("light-galaxy.zrk"), log);
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(logSays(log, "render: 10%")) << FileText(log);
        kill(pid, SIGINT);
        int raw = 0;
        ASSERT_EQ(waitpid(pid, &raw, 0), pid);
        ASSERT_TRUE(WIFEXITED(raw)) << FileText(log);
        EXPECT_EQ(WEXITSTATUS(raw), 130);
        EXPECT_NE(FileText(log).find("no video was written"), std::string::npos) << FileText(log);
        EXPECT_EQ(FileText(dir.file(out)), "old");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4) << "temporary file left";
}

// A GIF is encoded after the last step, with progress shown; a signal meanwhile abandons it within a
// second or two, keeping the old file of that name, still saving the snapshot and leaving nothing
// temporary.
TEST(RenderVideo, SignalDuringGifEncodingAbandonsItPromptly)
{
    TempDir dir;
    const std::string gif = dir.file("clip.gif");
    const std::string log = dir.file("log.txt");
    ASSERT_TRUE(std::ofstream(gif) << "old");
    const pid_t pid = startRender("render --steps 300 --scale 8 --out " + gif + " --snapshot " + dir.file("last.bmp")
            + " --scene " + scene("fountain.zrk"),
        log);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(logSays(log, "encoding the GIF (a signal abandons it): 10%")) << FileText(log);
    const auto signalled = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    int raw = 0;
    ASSERT_EQ(waitpid(pid, &raw, 0), pid);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - signalled;
    EXPECT_LT(took.count(), 2.0);
    ASSERT_TRUE(WIFEXITED(raw)) << FileText(log);
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    const std::string said = FileText(log);
    EXPECT_NE(said.find("Cannot finish '" + gif + "'"), std::string::npos) << said;
    EXPECT_EQ(FileText(gif), "old");
    EXPECT_EQ(FileText(dir.file("last.bmp")).substr(0, 2), "BM");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << "temporary file left";
}

// With stderr in a pager that has quit, the progress lines find no reader: the render goes on and the
// video is whole.
TEST(RenderVideo, ProgressIntoAClosedPipeLeavesTheVideoWhole)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    const CommandResult run = RunCommand(std::string(MIRRIM_CLI) + " render --steps 600 --scale 2 --scene "
        + scene("fountain.zrk") + " --out " + dir.file("v.mp4") + " 2>&1 >/dev/null | head -c 1");
    EXPECT_EQ(videotools::Probe(dir.file("v.mp4"), "nb_read_frames"), "nb_read_frames=600\n") << run.out;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left";
}

} // namespace

// --size redraws at the output size and nothing else: the particles at the end are the same as without
// it (a scene of render steps and one of a picture-reading factory), the snapshot takes the size, and
// --scale cannot be given with it.
TEST(RenderVideo, SizeRedrawsWithoutTouchingTheSimulation)
{
    TempDir dir;
    for (const char* name : { "trails.zrk", "star.zrk" }) {
        SCOPED_TRACE(name);
        const std::string common = "render -q --steps 40 --scene " + scene(name);
        ASSERT_EQ(cli(common + " --dump-particles " + dir.file("plain.csv")).status, 0);
        const CommandResult sized = cli(common + " --size 1080p --dump-particles " + dir.file("sized.csv")
            + " --snapshot " + dir.file("sized.png"));
        ASSERT_EQ(sized.status, 0) << sized.out;
        EXPECT_EQ(FileText(dir.file("plain.csv")), FileText(dir.file("sized.csv")));
        if (videotools::Present()) {
            EXPECT_EQ(videotools::Probe(dir.file("sized.png"), "width,height"), "width=1920\nheight=1080\n");
        }
    }
    for (const char* bad : { "--size 0x10", "--size 12x", "--size 8k", "--size 640x480 --scale 2" })
        EXPECT_EQ(cli(std::string("render -q --steps 1 --snapshot ") + dir.file("x.png") + " " + bad).status, 2) << bad;
}

// Without a size, an MP4 of a small scene is drawn at twice its size in 2 x 2 blocks, and says so: the
// orange one-pixel particles of the star measured 26.6 dB at the scene's size (their colour smeared by
// 4:2:0), 30.4 drawn smoothly at twice the size, 43.7 in blocks; embers, the lowest of the shipped scenes,
// 38.9.
TEST(RenderVideo, SharedVideoOfASmallSceneIsDrawnAtTwiceItsSize)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    for (const auto& [name, floor] : { std::pair<const char*, double> { "star.zrk", 42.5 }, { "embers.zrk", 38.0 } }) {
        SCOPED_TRACE(name);
        const CommandResult r = cli("render --steps 60 --scene " + scene(name) + " --out " + dir.file("clip.mp4")
            + " --snapshot " + dir.file("last.png"));
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_NE(
            r.out.find("drawing at 640 x 480, twice the scene's size, each pixel a 2 x 2 block"), std::string::npos)
            << r.out;
        const std::size_t frameBytes = 640 * 480 * 3;
        const std::string last = lastFrame(videotools::DecodeRgb(dir.file("clip.mp4")), frameBytes);
        const std::string shown = videotools::DecodeRgb(dir.file("last.png"));
        ASSERT_EQ(shown.size(), frameBytes);
        EXPECT_GE(videotools::Psnr(last, shown), floor);
    }
}

namespace {

// Every frame ffmpeg decodes from the file as top-down RGBA; a WebM through libvpx, as FFmpeg's own VP9
// decoder leaves out the alpha stream.
std::string decodeRgba(const std::string& path)
{
    const bool webm = path.size() > 5 && path.compare(path.size() - 5, 5, ".webm") == 0;
    return videotools::Output(std::string("ffmpeg -v error ") + (webm ? "-c:v libvpx-vp9 " : "") + "-i '" + path
        + "' -fps_mode passthrough -f rawvideo -pix_fmt rgba - 2>/dev/null");
}

// The first pixel (x + y * width) whose square of side 2 * reach + 1 has alpha in [low, high] all over.
std::size_t findRegion(const std::string& rgba, int width, int height, int reach, int low, int high)
{
    for (int y = reach; y < height - reach; ++y) {
        for (int x = reach; x < width - reach; ++x) {
            bool all = true;
            for (int dy = -reach; all && dy <= reach; ++dy) {
                for (int dx = -reach; all && dx <= reach; ++dx) {
                    const int a = static_cast<unsigned char>(rgba[((y + dy) * std::size_t(width) + x + dx) * 4 + 3]);
                    all = a >= low && a <= high;
                }
            }
            if (all)
                return y * std::size_t(width) + x;
        }
    }
    return std::string::npos;
}

} // namespace

// --transparent: the background painted is left transparent and the particles keep their colour, in every
// format that holds alpha (decoded by ffmpeg: a solid particle pixel of the PNG snapshot is opaque with its
// colour in each, a pixel far from any particle fully transparent, within what each codec loses); the
// simulation is untouched; laid over black, the picture is the plain one of a scene with a black
// background, pixel for pixel; formats without alpha are refused before anything is written.
TEST(RenderVideo, TransparentOutputsKeepAlphaWhereTheBackgroundWas)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    // The particles drawn as lines and as added light (whose opacity is its brightness), both on black.
    for (const char* name : { "star.zrk", "light-galaxy.zrk" }) {
        SCOPED_TRACE(name);
        const std::string run = "render -q --steps 40 --scene " + scene(name);
        ASSERT_EQ(
            cli(run + " --dump-particles " + dir.file("plain.csv") + " --snapshot " + dir.file("plain.png")).status, 0);
        const CommandResult still = cli(
            run + " --transparent --dump-particles " + dir.file("clear.csv") + " --snapshot " + dir.file("clear.png"));
        ASSERT_EQ(still.status, 0) << still.out;
        EXPECT_EQ(FileText(dir.file("plain.csv")), FileText(dir.file("clear.csv")));
        EXPECT_EQ(videotools::Probe(dir.file("clear.png"), "pix_fmt"), "pix_fmt=rgba\n");
        const std::string plain = videotools::DecodeRgb(dir.file("plain.png"));
        const std::string clear = decodeRgba(dir.file("clear.png"));
        ASSERT_EQ(clear.size(), 320u * 240 * 4);
        int worst = 0;
        int transparent = 0;
        for (std::size_t i = 0; i < 320u * 240; ++i) {
            const int alpha = static_cast<unsigned char>(clear[i * 4 + 3]);
            transparent += alpha == 0;
            for (int c = 0; c < 3; ++c) {
                const int over = (static_cast<unsigned char>(clear[i * 4 + c]) * alpha + 127) / 255;
                worst = std::max(worst, std::abs(over - static_cast<unsigned char>(plain[i * 3 + c])));
            }
        }
        EXPECT_EQ(worst, 0);
        EXPECT_GT(transparent, 320 * 240 / 2);
    }

    // Drawn at twice the size, the streaks are two pixels wide: solid inside, smooth at their edges.
    const int w = 640;
    const int h = 480;
    const std::string common = "render -q --steps 40 --scene " + scene("star.zrk");
    const std::string sized = common + " --transparent --size 640x480";
    ASSERT_EQ(cli(sized + " --snapshot " + dir.file("still.png")).status, 0);
    const std::string shown = decodeRgba(dir.file("still.png"));
    ASSERT_EQ(shown.size(), std::size_t(w) * h * 4);
    const std::size_t solid = findRegion(shown, w, h, 1, 255, 255);
    const std::size_t empty = findRegion(shown, w, h, 4, 0, 0);
    ASSERT_NE(solid, std::string::npos);
    ASSERT_NE(empty, std::string::npos);
    const struct {
        const char* file;
        const char* stream; // as ffprobe reads it
        int alphaSlack; // what the codec may lose of the alpha
        int colourSlack;
    } outputs[] = {
        { "clip.webm", "codec_name=vp9\n", 6, 40 },
        { "clip.mov", "codec_name=prores\npix_fmt=yuva444p12le\n", 2, 12 },
        { "clip.mkv", "codec_name=ffv1\npix_fmt=bgra\n", 0, 0 },
        { "clip.gif", "codec_name=gif\npix_fmt=bgra\n", 0, 40 },
        { "frame%02d.png", "codec_name=png\npix_fmt=rgba\n", 0, 0 },
    };
    for (const auto& output : outputs) {
        SCOPED_TRACE(output.file);
        const CommandResult r = cli(sized + " --out " + dir.file(output.file));
        ASSERT_EQ(r.status, 0) << r.out;
        const std::string path = dir.file(std::string(output.file) == "frame%02d.png" ? "frame40.png" : output.file);
        EXPECT_EQ(
            videotools::Probe(path,
                std::string(output.stream).find("pix_fmt") != std::string::npos ? "codec_name,pix_fmt" : "codec_name"),
            output.stream);
        const std::string last = lastFrame(decodeRgba(path), std::size_t(w) * h * 4);
        ASSERT_FALSE(last.empty());
        EXPECT_LE(static_cast<unsigned char>(last[empty * 4 + 3]), output.alphaSlack);
        EXPECT_GE(static_cast<unsigned char>(last[solid * 4 + 3]), 255 - output.alphaSlack);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(static_cast<unsigned char>(last[solid * 4 + c]),
                static_cast<unsigned char>(shown[solid * 4 + c]), output.colourSlack)
                << "channel " << c;
        }
    }

    for (const char* refused : { "--out clip.mp4", "--out clip.avi", "--avi clip.mkv", "--snapshot last.jpg",
             "--snapshot last.bmp", "--out clip.mkv --codec h264", "--out clip.mov --codec h264" }) {
        SCOPED_TRACE(refused);
        TempDir folder;
        const std::string args = std::string(refused);
        const std::size_t space = args.find(' ');
        const CommandResult r
            = cli(common + " --transparent " + args.substr(0, space + 1) + folder.file(args.substr(space + 1)));
        EXPECT_EQ(r.status, 2) << r.out;
        EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << r.out;
    }
}

// Added light drawn at three times the size lands where it does at the scene's size: shrunk back by
// averaging, it measured 38.3 dB against the picture at 1x; the same light one scene pixel off, 29.7 dB.
TEST(RenderVideo, LightDrawnAtTheOutputSizeLandsWhereItDoesAtOneTimes)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    const std::string run = "render -q --steps 60 --scene " + scene("light-galaxy.zrk");
    ASSERT_EQ(cli(run + " --snapshot " + dir.file("one.png")).status, 0);
    ASSERT_EQ(cli(run + " --size 960x720 --snapshot " + dir.file("three.png")).status, 0);
    const std::string shrunk = videotools::Output("ffmpeg -v error -i '" + dir.file("three.png")
        + "' -vf scale=320:240:flags=area -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    EXPECT_GE(videotools::Psnr(shrunk, videotools::DecodeRgb(dir.file("one.png"))), 36.0);
}

// Text a scene writes into "RENDER" is drawn again at four times the size, not enlarged from 1x: of the
// lit pixels along the glyphs' edges, 14% are in-between greys (the 1x text enlarged: 70%), and shrunk
// back it matches the 1x picture at 48.3 dB (enlarged: 40.7), so it is where the 1x text is.
TEST(RenderVideo, TextIsDrawnSharpAtTheOutputSize)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    ASSERT_TRUE(std::ofstream(dir.file("text.vq"))
        << "image.ImageClear\n<Image>RENDER</Image><Background Image></Background Image>\n.\nimage.ImageText\n"
           "<Image>RENDER</Image><Text>Mirrim</Text><Font Size>40</Font Size><X>20</X><Y>80</Y><Every>1</Every>\n.\n");
    ASSERT_EQ(cli("make-scene --definition " + dir.file("text.vq") + " --direct-frame 0 --draw-particles 0 "
                  + dir.file("text.zrk"))
                  .status,
        0);
    const std::string run = "render -q --steps 2 --scene " + dir.file("text.zrk");
    ASSERT_EQ(cli(run + " --snapshot " + dir.file("one.png")).status, 0);
    ASSERT_EQ(cli(run + " --size 1280x960 --snapshot " + dir.file("four.png")).status, 0);
    const std::string four = videotools::DecodeRgb(dir.file("four.png"));
    ASSERT_EQ(four.size(), 1280u * 960 * 3);
    int lit = 0;
    int between = 0;
    for (std::size_t i = 0; i < four.size(); i += 3) {
        const auto red = static_cast<unsigned char>(four[i]);
        lit += red > 0;
        between += red > 0 && red < 255;
    }
    EXPECT_GT(lit, 10000);
    EXPECT_LT(between, lit / 4);
    const std::string shrunk = videotools::Output("ffmpeg -v error -i '" + dir.file("four.png")
        + "' -vf scale=320:240:flags=area -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    EXPECT_GE(videotools::Psnr(shrunk, videotools::DecodeRgb(dir.file("one.png"))), 44.0);
}
