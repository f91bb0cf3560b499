#include "tests/FileText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out; // stdout and stderr together
};

Result runCli(const std::string& args)
{
    Result r;
    const std::string command = std::string("'") + MIRRIM_CLI + "' " + args + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

fs::path tempDir()
{
    fs::path dir = fs::path(MIRRIM_BINARY_DIR) / "test-tmp" / "run-command";
    fs::create_directories(dir);
    return dir;
}

} // namespace

TEST(RunCommandTest, DefaultSceneRunsTheSameEveryTime)
{
    const fs::path a = tempDir() / "a.csv";
    const fs::path b = tempDir() / "b.csv";
    const Result first = runCli("run --steps 500 --dump-particles '" + a.string() + "'");
    const Result second = runCli("run --steps 500 --dump-particles '" + b.string() + "'");
    ASSERT_EQ(first.status, 0) << first.out;
    ASSERT_EQ(second.status, 0) << second.out;
    // One factory particle per step, each living 161 steps.
    EXPECT_NE(first.out.find("steps 500, particles alive 161,"), std::string::npos) << first.out;

    const std::string csv = FileText(a);
    EXPECT_EQ(csv, FileText(b));
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "index,x,y,prev_x,prev_y,dx,dy,color,age,group");
    int rows = 0;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line.rfind(std::to_string(rows) + ",", 0), 0u) << line;
        EXPECT_NE(line.find(",0x"), std::string::npos) << line;
        ++rows;
    }
    EXPECT_EQ(rows, 161);
}

TEST(RunCommandTest, RunsEveryShippedDefinitionFile)
{
    int definitions = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(MIRRIM_SOURCE_DIR) / "scenes")) {
        if (entry.path().extension() != ".vq")
            continue;
        ++definitions;
        const Result r = runCli("run '" + entry.path().string() + "' --steps 200");
        EXPECT_EQ(r.status, 0) << entry.path() << ": " << r.out;
        EXPECT_NE(r.out.find("steps 200, particles alive "), std::string::npos) << r.out;
    }
    EXPECT_GE(definitions, 8);
    // The shipped default scene is the built-in one.
    const fs::path builtIn = tempDir() / "builtin.csv";
    const fs::path shipped = tempDir() / "shipped.csv";
    runCli("run --steps 300 --dump-particles '" + builtIn.string() + "'");
    runCli("run '" + (fs::path(MIRRIM_SOURCE_DIR) / "scenes" / "default.vq").string()
        + "' --steps 300 --dump-particles '" + shipped.string() + "'");
    EXPECT_EQ(FileText(builtIn), FileText(shipped));
}

TEST(RunCommandTest, ReportsFilesItCannotReadOrWrite)
{
    const Result missing = runCli("run /no/such/scene.vq --steps 5");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("/no/such/scene.vq"), std::string::npos) << missing.out;

    const Result directory = runCli("run '" + tempDir().string() + "' --steps 5");
    EXPECT_EQ(directory.status, 1) << directory.out;

    const Result unwritable = runCli("run --steps 5 --dump-particles /no/such/dir/out.csv");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.out.find("/no/such/dir/out.csv"), std::string::npos) << unwritable.out;
}

TEST(RunCommandTest, RejectsBadUsage)
{
    for (const char* args :
        { "run", "run --steps", "run --steps abc", "run --steps -3", "run --steps 10x", "run --steps 99999999999",
            "run --steps 5 --frobnicate", "run a.vq b.vq --steps 1", "run --steps 5 --dump-particles" }) {
        const Result r = runCli(args);
        EXPECT_EQ(r.status, 2) << args << ": " << r.out;
        EXPECT_FALSE(r.out.empty()) << args;
    }
    const Result help = runCli("run --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--dump-particles"), std::string::npos);
}
