#include "tests/FileText.h"
#include "tests/RunCommand.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace {

// Runs a shell command line, capturing stdout and stderr together.
CommandResult shell(const std::string& line)
{
    return RunCommand("(" + line + ") 2>&1");
}

// Runs mirrim-cli with the arguments.
CommandResult cli(const std::string& args)
{
    return shell(std::string(MIRRIM_CLI) + " " + args);
}

TEST(Cli, ClassesListsTheRegistryInOrder)
{
    CommandResult r = cli("classes");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Particle classes (1):\n  zrk.particle.ParticleBase\n"), std::string::npos) << r.out;
    EXPECT_LT(r.out.find("factory.ParticlesSquare"), r.out.find("factory.ParticleFactoryUniform"));
}

TEST(Cli, DescribePrintsAFreshObjectsParameters)
{
    CommandResult r = cli("describe factory.ParticlesSquare");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("<Group>0</Group>\r\n<CenterX>320.000000</CenterX>\r\n"), 0u) << r.out;
    CommandResult unknown = cli("describe no.Such");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.out.find("unknown class 'no.Such'"), std::string::npos);
    EXPECT_EQ(cli("describe").status, 2);
}

TEST(Cli, HelpAndBadUsage)
{
    CommandResult help = cli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("describe"), std::string::npos);
    EXPECT_EQ(cli("describe --help").status, 0);
    EXPECT_EQ(cli("no-such-command").status, 2);
    EXPECT_EQ(cli("").status, 2);
}

// One parser for every command: both spellings of a value, defaults in --help, the nearest option or
// command for a misspelt one.
TEST(Cli, CommandLinesAreParsedAlike)
{
    const struct {
        const char* args;
        int status;
        const char* says;
    } cases[] = {
        { "run --steps=3", 0, "steps 3," },
        { "run --steps 3", 0, "steps 3," },
        { "--version", 0, "mirrim-cli " },
        { "render --help", 0, "--steps INT=300" },
        { "make-scene --help", 0, "--size WxH=320x240" },
        { "run --stpes 3", 2, "unknown option '--stpes': did you mean --steps?" },
        { "render --Steps=3", 2, "did you mean --steps? (letter case counts)" },
        { "rnu --steps 3", 2, "unknown command 'rnu': did you mean run?" },
        { "render --frobnicate", 2, "unknown option '--frobnicate' (see --help)" },
        { "render --steps -1", 2, "needs a whole number, 0 or more, not '-1'" },
        { "render --quality 101", 2, "needs a whole number, 0 to 100" },
        { "render --pointer 5", 2, "--pointer" },
        { "run --steps 1 --scene a.zrk --definition b.vq", 2, "excludes" },
    };
    for (const auto& c : cases) {
        CommandResult r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
}

} // namespace

#include "tests/TempDir.h"

#include <fstream>
#include <sstream>

namespace {

TEST(CliRender, SameSceneGivesTheSameParticlesEveryRun)
{
    TempDir dir;
    ASSERT_EQ(cli("render --steps 300 --dump-particles " + dir.file("a.csv")).status, 0);
    ASSERT_EQ(cli("render --steps 300 --dump-particles " + dir.file("b.csv")).status, 0);
    const std::string a = FileText(dir.file("a.csv"));
    EXPECT_GT(a.size(), 1000u);
    EXPECT_EQ(a, FileText(dir.file("b.csv")));
}

TEST(CliRender, MakeSceneWritesWhatRenderReadsBack)
{
    TempDir dir;
    const std::string scene = dir.file("s.zrk");
    ASSERT_EQ(cli("make-scene --definition " + std::string(MIRRIM_SOURCE_DIR) + "/scenes/vortex.vq --size 64x48 "
                  + "--erase 0 " + scene)
                  .status,
        0);
    CommandResult r = cli("render --scene " + scene + " --steps 20 --snapshot " + dir.file("last.bmp"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(FileText(dir.file("last.bmp")).substr(0, 2), "BM");
    // The snapshot's name chooses its format: exactly .jpg or .jpeg, exactly .png, BMP for anything else.
    for (const auto& [name, start] :
        { std::pair { "a.png", "\x89PNG" }, { "a.jpeg", "\xff\xd8" }, { "a.PNG", "BM" } }) {
        ASSERT_EQ(cli("render --scene " + scene + " --steps 2 --snapshot " + dir.file(name)).status, 0) << name;
        EXPECT_EQ(FileText(dir.file(name)).substr(0, std::string(start).size()), start) << name;
    }
    // A scene of a newer version is refused with the player's message.
    ASSERT_EQ(cli("make-scene --definition " + std::string(MIRRIM_SOURCE_DIR)
                  + "/scenes/vortex.vq --scene-version 1001 " + dir.file("new.zrk"))
                  .status,
        0);
    CommandResult newer = cli("render --scene " + dir.file("new.zrk"));
    EXPECT_EQ(newer.status, 1);
    EXPECT_NE(newer.out.find("more recent format"), std::string::npos);
}

// A scene written into another folder names the same pictures as its definition file: it renders the
// same picture.
TEST(CliRender, MakeSceneElsewhereKeepsItsPictures)
{
    TempDir dir;
    const std::string vq = std::string(MIRRIM_SOURCE_DIR) + "/scenes/streaks.vq";
    const CommandResult made = cli("make-scene --definition " + vq + " " + dir.file("streaks.zrk"));
    ASSERT_EQ(made.status, 0) << made.out;
    EXPECT_NE(made.out.find("'streaks-canvas%d.gif' is written as"), std::string::npos) << made.out;
    for (const auto& [scene, snapshot] : { std::pair { vq, "a.bmp" }, { dir.file("streaks.zrk"), "b.bmp" } }) {
        const CommandResult r = cli("render " + scene + " --steps 3 --snapshot " + dir.file(snapshot));
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
    }
    EXPECT_EQ(FileText(dir.file("a.bmp")), FileText(dir.file("b.bmp")));
}

TEST(CliRender, BadInputAndOutputsFailClearly)
{
    TempDir dir;
    std::ofstream(dir.file("cut.zrk"), std::ios::binary) << std::string("\x0a"
                                                                        "Dozozudori\xe8\x03",
        13);
    CommandResult cut = cli("render --scene " + dir.file("cut.zrk"));
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.out.find("cut.zrk"), std::string::npos) << cut.out;
    EXPECT_EQ(cli("render --scene " + dir.file("missing.zrk")).status, 1);
    EXPECT_EQ(cli("render --avi " + dir.file("x.avi") + " --codec nonesuch").status, 1);
    EXPECT_EQ(cli("render --avi " + dir.file("no/dir/x.avi") + " --steps 2").status, 1);
    EXPECT_EQ(cli("render --steps many").status, 2);
    EXPECT_EQ(cli("render --scene a --definition b").status, 2);
    // Absurd sizes fail with a message instead of allocating.
    ASSERT_EQ(cli("make-scene --definition " + std::string(MIRRIM_SOURCE_DIR)
                  + "/scenes/vortex.vq --size 100000x100000 " + dir.file("huge.zrk"))
                  .status,
        0);
    CommandResult huge = cli("render --scene " + dir.file("huge.zrk") + " --steps 2 --snapshot " + dir.file("h.bmp"));
    EXPECT_EQ(huge.status, 1);
    EXPECT_NE(huge.out.find("100000 x 100000"), std::string::npos);
    EXPECT_EQ(cli("render --codecs").status, 0);
}

} // namespace

namespace {

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

const char kBroken[] = "constraint.force\r\n\r\n.\r\n"
                       "constraint.RemoveAged\r\n<MaxAge>5</MaxAge>\r\n.\r\n"
                       "factory.ParticlesSquare\r\n<Amount>\x1b[31m\xff</Amount>\r\n.\r\n";

TEST(CliCheck, PrintsFindingsAsTextAndAsJson)
{
    TempDir dir;
    const std::string broken = dir.file("broken.vq");
    writeFile(broken, kBroken);
    CommandResult text = cli("check " + broken);
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.out.find(broken
                  + ":1: error: unknown class 'constraint.force', so the block is skipped: did you "
                    "mean constraint.Force? (letter case counts)\n"),
        std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find(broken + ":5: warning: constraint.RemoveAged has no tag '<MaxAge>'"), std::string::npos);
    EXPECT_EQ(text.out.find('\x1b'), std::string::npos) << "control characters from the file reach the terminal";

    // Python's own JSON reader, on output holding a control character and a byte that is not UTF-8.
    CommandResult json = shell(std::string(MIRRIM_CLI) + " check --json " + broken
        + " | /usr/bin/python3 -c 'import json,sys; f=json.load(sys.stdin); "
          "print(len(f), f[0][\"line\"], f[0][\"suggestion\"], f[1][\"suggestion\"], f[2][\"severity\"], "
          "f[2][\"kind\"], sorted(f[0]))'");
    EXPECT_EQ(json.out,
        "3 1 constraint.Force MaximumAge warning bad-value ['file', 'kind', 'line', 'message', 'severity', "
        "'suggestion']\n");
    EXPECT_EQ(cli("check --json " + std::string(MIRRIM_SOURCE_DIR) + "/scenes/fountain.vq").out, "[]\n");

    EXPECT_EQ(cli("check " + dir.file("missing.vq")).status, 1);
    EXPECT_EQ(cli("check").status, 2);
}

TEST(CliCheck, ShippedScenesReportNothing)
{
    const CommandResult r = shell(std::string("cd ") + MIRRIM_SOURCE_DIR + " && " + MIRRIM_CLI + " check scenes/*");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "");
}

// In a directory, only files that hold a scene or definition text are checked; the rest are named.
TEST(CliCheck, DirectoriesSkipWhatIsNoScene)
{
    TempDir dir;
    writeFile(dir.file("a.vq"), FileText(std::string(MIRRIM_SOURCE_DIR) + "/scenes/vortex.vq"));
    writeFile(dir.file("clip.mp4"),
        std::string("\0\0\0\x20"
                    "ftypisom\0\0\x02\0",
            16)
            + std::string(3000, '\x11'));
    writeFile(dir.file("shape0.gif"), FileText(std::string(MIRRIM_SOURCE_DIR) + "/scenes/shape0.gif"));
    const CommandResult r = cli("check " + dir.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("skipped 2 files"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("clip.mp4"), std::string::npos) << r.out;
}

// Every command takes either kind of file; --scene and --definition name the other kind and load it as
// what it is. The three ways give the same particles.
TEST(CliLoad, EitherKindThroughEveryCommand)
{
    TempDir dir;
    const std::string vq = std::string(MIRRIM_SOURCE_DIR) + "/scenes/fountain.vq";
    const std::string zrk = dir.file("fountain.zrk");
    CommandResult made = cli("make-scene --definition " + vq + " " + zrk);
    ASSERT_EQ(made.status, 0) << made.out;
    EXPECT_EQ(made.out, "wrote " + zrk + ": 4 constraints, 320 x 240, part factory factory.ParticlesSquare\n");

    const struct {
        std::string args;
        const char* warns;
    } ways[] = {
        { "render " + vq, nullptr },
        { "render " + zrk, nullptr },
        { "render --scene " + vq, "is a definition file, not a scene file" },
        { "render --definition " + zrk, "is a scene file, not a definition file" },
        { "run " + vq, nullptr },
        { "run " + zrk, nullptr },
        { "run --scene " + vq, "is a definition file" },
    };
    // render draws the window's background texture first, run does not: each agrees with itself.
    std::map<std::string, std::string> particlesOf;
    for (const auto& way : ways) {
        const std::string csv = dir.file("p.csv");
        const CommandResult r = cli(way.args + " --steps 30 --dump-particles " + csv);
        EXPECT_EQ(r.status, 0) << way.args << "\n" << r.out;
        EXPECT_EQ(r.out.find("warning") != std::string::npos, way.warns != nullptr) << way.args << "\n" << r.out;
        if (way.warns) {
            EXPECT_NE(r.out.find(way.warns), std::string::npos) << r.out;
        }
        std::ifstream in(csv);
        const std::string particles((std::istreambuf_iterator<char>(in)), {});
        EXPECT_GT(particles.size(), 100u);
        const std::string command = way.args.substr(0, way.args.find(' '));
        particlesOf.emplace(command, particles);
        EXPECT_EQ(particles, particlesOf[command]) << way.args;
    }

    // make-scene takes a scene file's definition, and refuses a part factory that is no constraint.
    CommandResult again = cli("make-scene --definition " + zrk + " " + dir.file("again.zrk"));
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.out.find("is a scene file, not a definition file"), std::string::npos) << again.out;
    CommandResult refused
        = cli("make-scene --definition " + vq + " --part-factory factory.particlesSquare " + dir.file("x.zrk"));
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.out.find("did you mean factory.ParticlesSquare?"), std::string::npos) << refused.out;
    EXPECT_FALSE(std::ifstream(dir.file("x.zrk")).good());

    // Findings are printed once, on stderr, unless --quiet.
    writeFile(dir.file("broken.vq"), kBroken);
    CommandResult loud = cli("run --steps 1 " + dir.file("broken.vq") + " 2>&1 >/dev/null");
    EXPECT_NE(loud.out.find("did you mean <MaximumAge>?"), std::string::npos) << loud.out;
    EXPECT_EQ(loud.out.find("MaximumAge"), loud.out.rfind("MaximumAge"));
    EXPECT_EQ(cli("run --steps 1 --quiet " + dir.file("broken.vq") + " 2>&1 >/dev/null").out, "");
}

} // namespace
