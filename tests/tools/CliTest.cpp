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
    Result r{-1, {}};
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

} // namespace
