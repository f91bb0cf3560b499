#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct Result {
    int status;
    std::string out;
};

// Runs mirrim-cli with the arguments, capturing stdout and stderr together.
Result cli(const std::string& args)
{
    std::string command = std::string(MIRRIM_CLI) + " " + args + " 2>&1";
    Result r { -1, {} };
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        r.out.append(buffer.data(), n);
    int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

TEST(Cli, ClassesListsTheRegistryInOrder)
{
    Result r = cli("classes");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Particle classes (1):\n  zrk.particle.ParticleBase\n"), std::string::npos) << r.out;
    EXPECT_LT(r.out.find("factory.ParticlesSquare"), r.out.find("factory.ParticleFactoryUniform"));
}

TEST(Cli, DescribePrintsAFreshObjectsParameters)
{
    Result r = cli("describe factory.ParticlesSquare");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("<Group>0</Group>\r\n<CenterX>320.000000</CenterX>\r\n"), 0u) << r.out;
    Result unknown = cli("describe no.Such");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.out.find("unknown class 'no.Such'"), std::string::npos);
    EXPECT_EQ(cli("describe").status, 2);
}

TEST(Cli, HelpAndBadUsage)
{
    Result help = cli("--help");
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
        Result r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
}

} // namespace

#include "tests/TempDir.h"

#include <fstream>
#include <sstream>

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(CliRender, SameSceneGivesTheSameParticlesEveryRun)
{
    TempDir dir;
    ASSERT_EQ(cli("render --steps 300 --dump-particles " + dir.file("a.csv")).status, 0);
    ASSERT_EQ(cli("render --steps 300 --dump-particles " + dir.file("b.csv")).status, 0);
    const std::string a = slurp(dir.file("a.csv"));
    EXPECT_GT(a.size(), 1000u);
    EXPECT_EQ(a, slurp(dir.file("b.csv")));
}

TEST(CliRender, MakeSceneWritesWhatRenderReadsBack)
{
    TempDir dir;
    const std::string scene = dir.file("s.zrk");
    ASSERT_EQ(cli("make-scene --definition " + std::string(MIRRIM_SOURCE_DIR) + "/scenes/vortex.vq --size 64x48 "
                  + "--erase 0 " + scene)
                  .status,
        0);
    Result r = cli("render --scene " + scene + " --steps 20 --snapshot " + dir.file("last.bmp"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(slurp(dir.file("last.bmp")).substr(0, 2), "BM");
    // A scene of a newer version is refused with the player's message.
    ASSERT_EQ(cli("make-scene --definition " + std::string(MIRRIM_SOURCE_DIR)
                  + "/scenes/vortex.vq --scene-version 1001 " + dir.file("new.zrk"))
                  .status,
        0);
    Result newer = cli("render --scene " + dir.file("new.zrk"));
    EXPECT_EQ(newer.status, 1);
    EXPECT_NE(newer.out.find("more recent format"), std::string::npos);
}

TEST(CliRender, BadInputAndOutputsFailClearly)
{
    TempDir dir;
    std::ofstream(dir.file("cut.zrk"), std::ios::binary) << std::string("\x0a"
                                                                        "Dozozudori\xe8\x03",
        13);
    Result cut = cli("render --scene " + dir.file("cut.zrk"));
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
    Result huge = cli("render --scene " + dir.file("huge.zrk") + " --steps 2 --snapshot " + dir.file("h.bmp"));
    EXPECT_EQ(huge.status, 1);
    EXPECT_NE(huge.out.find("100000 x 100000"), std::string::npos);
    EXPECT_EQ(cli("render --codecs").status, 0);
}

} // namespace
