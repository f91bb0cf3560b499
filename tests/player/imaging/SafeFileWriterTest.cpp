#include "player/imaging/codecs/SafeFileWriter.h"
#include "tests/player/imaging/PictureFiles.h"

#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

int Save(const std::string& path, const std::string& text)
{
    return SaveFile(path.c_str(), [&](std::FILE* file) { return std::fputs(text.c_str(), file) >= 0; });
}

std::string Text(const std::string& path)
{
    const Bytes bytes = picturefiles::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string LinkText(const std::string& path)
{
    char buffer[256] = {};
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

TEST(SafeFileWriter, LinksKeepPointingAtTheFileTheyName)
{
    TempDir dir;
    ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
    ASSERT_EQ(Save(dir.file("sub/real"), "old"), 1);
    // A chain: a relative link to an absolute one to the file.
    ASSERT_EQ(symlink(dir.file("sub/real").c_str(), dir.file("sub/absolute").c_str()), 0);
    ASSERT_EQ(symlink("sub/absolute", dir.file("first").c_str()), 0);
    ASSERT_EQ(Save(dir.file("first"), "new"), 1);
    EXPECT_EQ(LinkText(dir.file("first")), "sub/absolute");
    EXPECT_EQ(LinkText(dir.file("sub/absolute")), dir.file("sub/real"));
    EXPECT_EQ(Text(dir.file("sub/real")), "new");

    // A link to a file that is not there yet makes it.
    ASSERT_EQ(symlink("later", dir.file("dangling").c_str()), 0);
    ASSERT_EQ(Save(dir.file("dangling"), "made"), 1);
    EXPECT_EQ(Text(dir.file("later")), "made");
    EXPECT_EQ(LinkText(dir.file("dangling")), "later");

    // A loop of links fails with the system's word for it, and leaves nothing behind.
    ASSERT_EQ(symlink("loop2", dir.file("loop1").c_str()), 0);
    ASSERT_EQ(symlink("loop1", dir.file("loop2").c_str()), 0);
    EXPECT_EQ(Save(dir.file("loop1"), "x"), 0);
    EXPECT_EQ(errno, ELOOP);
}

TEST(SafeFileWriter, PipesAreWrittenInPlace)
{
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        const int fd = open(fifo.c_str(), O_RDONLY);
        char buffer[64];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0)
            received.append(buffer, static_cast<std::size_t>(n));
        close(fd);
    });
    EXPECT_EQ(Save(fifo, "through the pipe"), 1);
    reader.join();
    EXPECT_EQ(received, "through the pipe");
    struct stat st { };
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe is still a pipe";
}

TEST(SafeFileWriter, FailuresSayWhyAndKeepTheOldFile)
{
    TempDir dir;
    const std::string path = dir.file("keep");
    ASSERT_EQ(Save(path, "good"), 1);
    // The writer gives up half-way: the old file stays, no temporary file is left, errno is the writer's.
    EXPECT_EQ(SaveFile(path.c_str(),
                  [](std::FILE* file) {
                      std::fputs("half", file);
                      errno = EFBIG;
                      return false;
                  }),
        0);
    EXPECT_EQ(errno, EFBIG);
    EXPECT_EQ(Text(path), "good");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left";

    struct Case {
        std::string path;
        int error;
    };
    for (const Case& c : { Case { dir.file("no/such/dir"), ENOENT }, Case { dir.path(), EISDIR },
             Case { "/dev/full", ENOSPC }, Case { "", ENOENT } }) {
        EXPECT_EQ(Save(c.path, "x"), 0) << c.path;
        EXPECT_EQ(errno, c.error) << c.path << ": " << std::strerror(errno);
    }
}

// A name with no room for the temporary suffix, and a writable file in a folder where no file can be
// made (tried as an ordinary user, since root may write anywhere), are still replaced whole.
TEST(SafeFileWriter, LongNamesAndReadOnlyFoldersStillReplaceTheFile)
{
    TempDir dir;
    const std::string longName = dir.file(std::string(255, 'n'));
    ASSERT_EQ(Save(longName, "old"), 1);
    ASSERT_EQ(Save(longName, "new"), 1) << std::strerror(errno);
    EXPECT_EQ(Text(longName), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left";

    const std::string folder = dir.file("locked");
    const std::string file = folder + "/f";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(Save(file, "old"), 1);
    ASSERT_EQ(chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        const bool refused = SaveFile(file.c_str(), [](std::FILE* f) {
            std::fputs("half", f);
            errno = EFBIG;
            return false;
        }) == 0;
        _exit(refused && Text(file) == "old" && Save(file, "new") == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(Text(file), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "temporary file left";
}

// A process that ends before its output is complete, even killed outright, leaves the old file and
// nothing else.
TEST(SafeFileWriter, AnOutputCutShortLeavesNothingBehind)
{
    TempDir dir;
    const std::string path = dir.file("clip");
    ASSERT_EQ(Save(path, "old"), 1);
    const pid_t child = fork();
    if (child == 0) {
        OutputFile output;
        const int fd = output.Open(path);
        _exit(fd >= 0 && write(fd, "new", 3) == 3 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Text(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left";
}

} // namespace
