// Faults from outside while the player runs: files that vanish, shrink or turn to garbage between two
// reads, a disk that fills during a recording, include cycles. Each either does what the player's rules
// say or fails with a clear message, and what was running goes on.
#include "particle/core/ConstraintCollection.h"
#include "particle/core/ParticleSystem.h"
#include "player/app/SceneFile.h"
#include "player/app/ScenePlayer.h"
#include "player/imaging/store/CDib.h"
#include "tests/TempDir.h"
#include "tests/player/app/ScriptedUi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A one-colour BMP written by our own encoder, width x height.
void writePicture(const std::string& path, int width, int height, COLORREF color)
{
    CDib dib;
    dib.Create(width, height);
    dib.Fill(color);
    ASSERT_TRUE(dib.SaveBmp(path.c_str()));
}

std::vector<std::string> classes(ConstraintCollection& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.getConstraintCount(); ++i)
        names.push_back(list.getConstraint(i)->GetClassName().str());
    return names;
}

std::string includeTags(const std::string& dir, const std::string& name)
{
    return "<DefLocation>" + dir + "</DefLocation><DefFilename>" + name + "</DefFilename>";
}

class PlayerFaults : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedUi ui;
    ScenePlayer player { &ui };
    ParticleSystem& system = player.GetSystem();

    void ticks(int n)
    {
        CDC dc(320, 240);
        for (int i = 0; i < n; ++i) {
            player.Tick(false, 0, 0);
            player.ComposeFrame(dc, CSize(320, 240));
        }
    }
    // Loads as the window does: the file, then one message with what the checker found.
    ScenePlayer::SceneRead load(const std::string& path)
    {
        const ScenePlayer::LoadReport report = player.LoadFile(path.c_str());
        player.ShowFindings(report);
        return report.read;
    }
    // Particles keep coming and ageing: the simulation did not stop.
    void expectRunning()
    {
        const int before = system.particles.getParticleCount();
        ticks(3);
        EXPECT_GT(system.particles.getParticleCount(), before);
    }
};

// Rule: a scene file that cannot be opened is not read and not reported; the scene stays as it was.
TEST_F(PlayerFaults, SceneFileGoneOrNotAFileChangesNothing)
{
    const std::string path = dir.file("gone.zrk");
    writeFile(path, EncodeScene(SceneDescription()));
    std::filesystem::remove(path);
    EXPECT_EQ(load(path), ScenePlayer::SceneRead::Unopenable);
    // A directory, or a FIFO that nobody writes to (which must not hang the load), in the file's place.
    std::filesystem::create_directory(path);
    EXPECT_EQ(load(path), ScenePlayer::SceneRead::Unopenable);
    const std::string fifo = dir.file("fifo.zrk");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(load(fifo), ScenePlayer::SceneRead::Unopenable);

    EXPECT_EQ(classes(system.constraints).size(), 4u); // still the default scene
    // Each named with the system's reason.
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0], "Cannot load '" + path + "': No such file or directory.");
    EXPECT_EQ(ui.messages[1], "Cannot load '" + path + "': a folder, not a file.");
    EXPECT_EQ(ui.messages[2], "Cannot load '" + fifo + "': not a regular file.");
    expectRunning();
}

// Rule: a file that ends early stops at the field it ends in, everything before stays applied, and the
// user hears which file it was. A string whose length runs past the end is an early end, not a request
// to allocate that much.
TEST_F(PlayerFaults, SceneFileTurnedToGarbageBetweenLoadsKeepsWhatWasRead)
{
    const std::string path = dir.file("scene.zrk");
    SceneDescription first;
    first.definition = "factory.ParticleFactoryUniform\r\n<Amount>2</Amount>\r\n.\r\n"
                       "constraint.RemoveAged\r\n<MaximumAge>50</MaximumAge>\r\n.\r\n";
    first.height = 200;
    writeFile(path, EncodeScene(first));
    ASSERT_EQ(load(path), ScenePlayer::SceneRead::Complete);
    ticks(5);

    // Rewritten by another scene, cut off after its mapping's offsets.
    SceneDescription second = first;
    second.definition = "factory.ParticleFactoryUniform\r\n<Amount>3</Amount>\r\n.\r\n";
    second.mapping.offsetX = -40.0f;
    second.mapping.scaleY = 4.0f;
    second.height = 100;
    std::vector<std::uint8_t> bytes = EncodeScene(second);
    const std::size_t upToOffsets = 11 + 4 + 1 + second.definition.GetLength() + 4 + 4 + 8 + 8 + 4 + 4 + 4;
    bytes.resize(upToOffsets + 2);
    writeFile(path, bytes);
    EXPECT_EQ(load(path), ScenePlayer::SceneRead::Truncated);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find(path), std::string::npos) << ui.messages[0];
    EXPECT_EQ(classes(system.constraints), std::vector<std::string> { "factory.ParticleFactoryUniform" });
    EXPECT_EQ(player.mapping.offsetX, -40.0f);
    EXPECT_EQ(player.mapping.scaleY, 1.0f); // the field the file ended in
    EXPECT_EQ(player.GetHost().getHeight(), 200);
    expectRunning();

    // Headers claiming strings of 64 KiB and 4 GiB in a file of a few bytes: no scene at all, refused.
    // A real header cut short is a damaged scene file.
    for (const auto& [garbage, read] : { std::pair { std::string("\xff\xfe\xff"
                                                                 "abc",
                                                         6),
                                             ScenePlayer::SceneRead::Rejected },
             std::pair { std::string("\xff\xff\xff\xff\xff\xff\xff", 7), ScenePlayer::SceneRead::Rejected },
             std::pair { std::string("\x0a"
                                     "Dozozudori\xe8\x03\x00\x00\xff\xff\xff\xff\xff\xff",
                             21),
                 ScenePlayer::SceneRead::Truncated } }) {
        writeFile(path, garbage);
        EXPECT_EQ(load(path), read);
    }
    EXPECT_EQ(classes(system.constraints), std::vector<std::string> { "factory.ParticleFactoryUniform" });
    EXPECT_EQ(ui.messages.size(), 4u);
    expectRunning();

    // Text with no complete block would only wipe the scene: refused, and the scene goes on.
    writeFile(path, std::string("\x05garbage", 8));
    EXPECT_EQ(load(path), ScenePlayer::SceneRead::Rejected);
    EXPECT_EQ(classes(system.constraints), std::vector<std::string> { "factory.ParticleFactoryUniform" });
    ticks(2);
}

// Rule: a collection (re)loads its definition file whenever it is given parameters; a file it cannot
// read leaves its list alone, a file it can read replaces the list. An image delta factory driving the
// collection hands it parameters on every step, so the file is re-read under the running scene.
TEST_F(PlayerFaults, IncludedDefinitionFileVanishingOrChangingMidRun)
{
    const std::string inc = dir.file("inc.vq");
    auto square = [](int amount) {
        return "factory.ParticlesSquare\r\n<Amount>" + std::to_string(amount)
            + "</Amount><MinDx>0</MinDx><MaxDx>0</MaxDx>"
              "<MinDy>0</MinDy><MaxDy>0</MaxDy>\r\n.\r\n";
    };
    writeFile(inc, square(2));
    auto dot = player.GetImageStore().CreateImage(1, 1);
    dot->Fill(RGB(255, 255, 255));
    player.GetImageStore().AddImage("DOT", std::move(dot));
    system.constraints.populateFromDefinitionString(
        "factory.ImageDeltaParticleFactory\r\n<Delta Image Name>DOT</Delta Image Name>\r\n.\r\n"
        "constraint.ConstraintCollection\r\n"
        + CString(includeTags(dir.path(), "inc.vq")) + "<Resource Only>true</Resource Only>\r\n.\r\n");
    auto* collection = dynamic_cast<ConstraintCollection*>(system.constraints.getConstraint(1));
    ASSERT_NE(collection, nullptr);
    auto emittedByOneTick = [&] {
        const int before = system.particles.getParticleCount();
        ticks(1);
        return system.particles.getParticleCount() - before;
    };
    EXPECT_EQ(emittedByOneTick(), 2);

    std::filesystem::remove(inc);
    EXPECT_EQ(emittedByOneTick(), 2);
    EXPECT_EQ(collection->getConstraintCount(), 1);

    writeFile(inc, square(5));
    EXPECT_EQ(emittedByOneTick(), 5);

    // Cut in the middle of its only block: no complete block, so the new list is empty.
    writeFile(inc, square(7).substr(0, 30));
    EXPECT_EQ(emittedByOneTick(), 0);
    EXPECT_EQ(collection->getConstraintCount(), 0);

    // A directory in the file's place cannot be read: the (empty) list stays, nothing breaks.
    writeFile(inc, square(1));
    EXPECT_EQ(emittedByOneTick(), 1);
    std::filesystem::remove(inc);
    std::filesystem::create_directory(inc);
    EXPECT_EQ(emittedByOneTick(), 1);
}

// Rule: a picture file of a sequence that does not load is skipped: the picture already stored under
// the name stays, the index moves on (and wraps as Loop and End Index say).
TEST_F(PlayerFaults, SequencePictureVanishingOrTurningToGarbageKeepsThePreviousPicture)
{
    const std::string s0 = dir.file("s0.bmp");
    const std::string s1 = dir.file("s1.bmp");
    writePicture(s0, 1, 1, RGB(10, 0, 0));
    writePicture(s1, 2, 1, RGB(20, 0, 0));
    system.constraints.addConstraint("image.ImageLoad",
        ("<Image>SEQ</Image><Image Filename>" + dir.path()
            + "s%d.bmp</Image Filename><End Index>1</End Index>"
              "<Loop>true</Loop>")
            .c_str());
    ticks(2);
    IImage* kept = player.GetImageStore().GetImage("SEQ");
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(kept->GetWidth(), 2);

    const std::string good = readFile(s1);
    // A BMP header claiming 100000 x 100000 pixels in 60 bytes: refused before any allocation.
    std::string huge = good.substr(0, 60);
    for (int field : { 18, 22 }) {
        huge[field] = '\xa0';
        huge[field + 1] = '\x86';
        huge[field + 2] = '\x01';
        huge[field + 3] = 0;
    }
    const std::string faults[][2] = {
        { "garbage", std::string(200, '\x5a') },
        { "cut", good.substr(0, good.size() / 2) },
        { "huge", huge },
        { "empty", "" },
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault[0]);
        writeFile(s0, fault[1]);
        writeFile(s1, fault[1]);
        ticks(2);
        EXPECT_EQ(player.GetImageStore().GetImage("SEQ"), kept);
        EXPECT_EQ(kept->GetPixel(1, 0), RGB(20, 0, 0));
    }
    std::filesystem::remove(s0);
    std::filesystem::remove(s1);
    ticks(2);
    EXPECT_EQ(player.GetImageStore().GetImage("SEQ"), kept);

    // Back again: the sequence carries on from where its index has got to.
    writePicture(s0, 3, 1, RGB(30, 0, 0));
    ticks(1);
    ASSERT_NE(player.GetImageStore().GetImage("SEQ"), nullptr);
    EXPECT_EQ(player.GetImageStore().GetImage("SEQ")->GetWidth(), 3);
    EXPECT_EQ(player.GetImageStore().GetImageCount(), 1);
    expectRunning();
}

// Rule: Cameleon loads its file once and finds the picture by name afterwards; when the name is gone
// (a scene load empties the store), it loads the file again and registers whatever comes back, the
// placeholder of a file that does not load included, whose pixels read as the mid grey.
TEST_F(PlayerFaults, CameleonFileVanishingOrTurningToGarbageMidRun)
{
    const std::string palette = dir.file("palette.bmp");
    writePicture(palette, 320, 240, RGB(7, 8, 9));
    SceneDescription scene;
    scene.definition = "factory.ParticleFactoryUniform\r\n<CenterX>160</CenterX><CenterY>120</CenterY>\r\n.\r\n"
                       "constraint.Cameleon\r\n<Image Name>PAL</Image Name><Image Filename>"
        + CString(palette) + "</Image Filename>\r\n.\r\n";
    const std::string path = dir.file("cameleon.zrk");
    writeFile(path, EncodeScene(scene));
    auto colours = [&] {
        std::vector<COLORREF> seen;
        for (int i = 0; i < system.particles.getParticleCount(); ++i)
            seen.push_back(system.particles.getParticle(i)->getColor());
        std::sort(seen.begin(), seen.end());
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        return seen;
    };

    ASSERT_EQ(load(path), ScenePlayer::SceneRead::Complete);
    ticks(3);
    EXPECT_EQ(colours(), std::vector<COLORREF> { RGB(7, 8, 9) });
    std::filesystem::remove(palette);
    ticks(3);
    EXPECT_EQ(colours(), std::vector<COLORREF> { RGB(7, 8, 9) }); // registered: the file is not read again

    writeFile(palette, std::string(100, '\x01'));
    ASSERT_EQ(load(path), ScenePlayer::SceneRead::Complete);
    ticks(3);
    EXPECT_EQ(colours(), std::vector<COLORREF> { 0x808080u });
    EXPECT_NE(player.GetImageStore().GetImage("PAL"), nullptr);
    expectRunning();
}

// Rule: with End Index set and Loop on, a missing file inside the range is skipped like any other that
// does not load (the picture stays, the index goes on to the next file) and only passing End Index wraps;
// a Start Index on a hole makes every wrap cost one failed step, never a stall.
TEST_F(PlayerFaults, SequenceWithHolesAndAnEndIndex)
{
    for (int i : { 0, 1, 3 })
        writePicture(dir.file("h" + std::to_string(i) + ".bmp"), i + 1, 1, RGB(i, 0, 0));
    system.constraints.removeAllConstraints();
    system.constraints.addConstraint("image.ImageLoad",
        ("<Image>SEQ</Image><Image Filename>" + dir.path()
            + "h%d.bmp</Image Filename><End Index>3</End Index>"
              "<Loop>true</Loop>")
            .c_str());
    IConstraint* load = system.constraints.getConstraint(0);
    auto run = [&](int steps) {
        std::vector<int> results, widths;
        for (int i = 0; i < steps; ++i) {
            results.push_back(load->apply(&system));
            widths.push_back(player.GetImageStore().GetImage("SEQ")->GetWidth());
        }
        return std::make_pair(results, widths);
    };
    auto [results, widths] = run(8);
    EXPECT_EQ(results, (std::vector<int> { 1, 1, 0, 1, 1, 1, 0, 1 }));
    EXPECT_EQ(widths, (std::vector<int> { 1, 2, 2, 4, 1, 2, 2, 4 }));

    load->setParametersFromString("<Start Index>2</Start Index>");
    std::tie(results, widths) = run(8);
    EXPECT_EQ(results, (std::vector<int> { 1, 1, 0, 1, 0, 1, 0, 1 }));
    EXPECT_EQ(widths, (std::vector<int> { 1, 2, 2, 4, 4, 4, 4, 4 }));
    EXPECT_EQ(player.GetImageStore().GetImageCount(), 1);
}

// Rule: definition files that include one another load as far as they can: a file already being loaded
// further up is refused. Reached from a scene file, the cycle ends the same way, and again on the next
// load (nothing of the first load is left marked as being loaded).
TEST_F(PlayerFaults, IncludeCycleReachedThroughASceneFile)
{
    writeFile(dir.file("self.vq"),
        "factory.ParticlesSquare\r\n\r\n.\r\nconstraint.ConstraintCollection\r\n" + includeTags(dir.path(), "self.vq")
            + "\r\n.\r\n");
    writeFile(dir.file("a.vq"), "constraint.ConstraintCollection\r\n" + includeTags(dir.path(), "b.vq") + "\r\n.\r\n");
    writeFile(dir.file("b.vq"),
        "constraint.ConstraintCollection\r\n" + includeTags(dir.path() + "/./", "a.vq")
            + "\r\n.\r\nfactory.ParticlesSquare\r\n\r\n.\r\n");
    SceneDescription scene;
    scene.definition = ("constraint.ConstraintCollection\r\n" + includeTags(dir.path(), "self.vq")
        + "\r\n.\r\n"
          "constraint.ConstraintCollection\r\n"
        + includeTags(dir.path(), "a.vq") + "\r\n.\r\n")
                           .c_str();
    const std::string path = dir.file("cycle.zrk");
    writeFile(path, EncodeScene(scene));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(load(path), ScenePlayer::SceneRead::Complete);
        ASSERT_EQ(system.constraints.getConstraintCount(), 2);
        auto* self = dynamic_cast<ConstraintCollection*>(system.constraints.getConstraint(0));
        ASSERT_NE(self, nullptr);
        EXPECT_EQ(classes(*self),
            (std::vector<std::string> { "factory.ParticlesSquare", "constraint.ConstraintCollection" }));
        auto* a = dynamic_cast<ConstraintCollection*>(system.constraints.getConstraint(1));
        ASSERT_NE(a, nullptr);
        ASSERT_EQ(a->getConstraintCount(), 1);
        auto* b = dynamic_cast<ConstraintCollection*>(a->getConstraint(0));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(
            classes(*b), (std::vector<std::string> { "constraint.ConstraintCollection", "factory.ParticlesSquare" }));
        system.particles.removeAllParticles();
        ticks(1);
        EXPECT_EQ(system.particles.getParticleCount(), 2); // one square from self.vq, one from b.vq
    }
}

// Rule: loading a scene touches neither playing nor recording; frames keep their size until the next
// recording starts, so a scene that changes the host's size (or a load cut short) loses no frame.
TEST_F(PlayerFaults, SceneLoadsDuringARecordingLoseNoFrame)
{
    ui.savePath = dir.file("rec.avi");
    player.StartRecording();
    ASSERT_TRUE(player.IsRecording());
    ticks(2);
    SceneDescription wide;
    wide.width = 640;
    wide.height = 480;
    const std::string path = dir.file("wide.zrk");
    writeFile(path, EncodeScene(wide));
    ASSERT_EQ(load(path), ScenePlayer::SceneRead::Complete);
    EXPECT_EQ(player.Tick(false, 0, 0), "Rendering - Frame 3");
    std::vector<std::uint8_t> cut = EncodeScene(SceneDescription());
    cut.resize(cut.size() / 2);
    writeFile(path, cut);
    ASSERT_EQ(load(path), ScenePlayer::SceneRead::Truncated);
    EXPECT_EQ(player.Tick(false, 0, 0), "Rendering - Frame 4");
    player.StopRecording();
    EXPECT_EQ(std::filesystem::file_size(ui.savePath) / (320 * 240 * 3), 4u);
}

bool ffmpegPresent()
{
    return std::system("command -v ffprobe >/dev/null 2>&1 && command -v ffmpeg >/dev/null 2>&1") == 0;
}

std::string output(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

// Runs body in a child process whose files may not grow beyond sizeLimit bytes (a full disk, as far as
// the writer can tell) and gives its exit status, or -1 when it did not exit (killed, or hung up).
template <typename Body> int withFullDiskAt(rlim_t sizeLimit, Body body)
{
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { sizeLimit, sizeLimit };
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Rule: a frame that cannot be written is not counted and gives an empty status; the recording stays
// open, Stop completes the file, and the simulation never notices. The disk fills part way through.
TEST(RecordingFaults, FullDiskLosesLaterFramesButNotTheRecordingOrTheSimulation)
{
    if (!ffmpegPresent())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    const struct {
        const char* codec;
        rlim_t sizeLimit;
    } cases[] = { { "none", 1 << 20 }, { "mjpeg", 96 << 10 } };
    for (const auto& [codec, sizeLimit] : cases) {
        SCOPED_TRACE(codec);
        const std::string path = dir.file(std::string(codec) + ".avi");
        const int written = withFullDiskAt(sizeLimit, [&, codec = codec] {
            ScriptedUi ui;
            ui.savePath = path;
            ui.codec = codec;
            ScenePlayer player(&ui);
            player.StartRecording();
            if (!player.IsRecording())
                return 200;
            int frames = 0;
            bool failed = false;
            for (int t = 0; t < 300; ++t) {
                const CString status = player.Tick(true, 100 + t % 50, 80);
                if (!status.IsEmpty() && failed)
                    return 201; // nothing is written once the disk is full
                failed = failed || status.IsEmpty();
                frames += !status.IsEmpty();
                if (player.GetFrameCount() != frames || !player.IsRecording())
                    return 202;
            }
            // The simulation ran on: the default scene's particles plus the pointer's.
            if (!failed || player.GetSystem().particles.getParticleCount() < 200)
                return 203;
            player.StopRecording();
            if (player.IsRecording() || player.GetRecorder().IsOpen())
                return 204;
            return frames;
        });
        ASSERT_GT(written, 0);
        ASSERT_LT(written, 200);
        EXPECT_EQ(output("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                         "-of default=nw=1:nk=1 '"
                      + path + "'"),
            std::to_string(written) + "\n");
        EXPECT_EQ(output("ffmpeg -v error -i '" + path + "' -f null - 2>&1; echo $?"), "0\n");
    }
}

// Rule: a recorder that cannot open leaves recording clear, says why and leaves no file; the player
// runs on and writes no frames. A file already at the chosen name (the user agreed to replace it) is
// replaced only by a recording that really starts: a start that fails keeps it as it was.
TEST(RecordingFaults, FullDiskAtStartKeepsTheFileThatWasThere)
{
    TempDir dir;
    const std::string fresh = dir.file("fresh.avi");
    const std::string old = dir.file("old.avi");
    const std::string oldBytes(4000, 'k');
    writeFile(old, oldBytes);
    for (const std::string& path : { fresh, old }) {
        SCOPED_TRACE(path);
        const int result = withFullDiskAt(16 << 10, [&] {
            ScriptedUi ui;
            ui.savePath = path;
            ui.codec = "mjpeg";
            ScenePlayer player(&ui);
            player.StartRecording();
            // Told, as every format's failed start is.
            if (player.IsRecording() || ui.messages.size() != 1
                || ui.messages[0].rfind("Cannot record '" + path + "': ", 0) != 0)
                return 1;
            for (int t = 0; t < 20; ++t)
                if (!player.Tick(false, 0, 0).IsEmpty())
                    return 2;
            return player.GetSystem().particles.getParticleCount() == 20 ? 0 : 3;
        });
        EXPECT_EQ(result, 0);
    }
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_EQ(readFile(old), oldBytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // no stray temporary file
}

// Rule: the recording replaces whatever the user chose to replace, and a name that is not a plain file
// never stops the player: a FIFO is written in place, and one nobody reads from must not hang the start
// (the child is killed after ten seconds if it does) but refuses it, staying a FIFO.
TEST(RecordingFaults, ReplacingAnOldFileOrAFifoStartsWithoutHanging)
{
    TempDir dir;
    const std::string old = dir.file("old.avi");
    writeFile(old, std::string(4000, 'k'));
    const std::string fifo = dir.file("fifo.avi");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : { old, fifo }) {
        SCOPED_TRACE(path);
        const int result = withFullDiskAt(RLIM_INFINITY, [&] {
            alarm(10);
            ScriptedUi ui;
            ui.savePath = path;
            ScenePlayer player(&ui);
            player.StartRecording();
            if (!player.IsRecording())
                return 1;
            player.Tick(false, 0, 0);
            player.StopRecording();
            return 0;
        });
        EXPECT_EQ(result, path == fifo ? 1 : 0);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_GT(std::filesystem::file_size(old), 320u * 240 * 3);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

} // namespace
