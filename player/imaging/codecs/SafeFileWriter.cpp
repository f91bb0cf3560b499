#include "player/imaging/codecs/SafeFileWriter.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The descriptor a name such as /dev/stdout or /dev/fd/3 stands for in this process; -1 for any other.
int OwnDescriptor(const std::string& name)
{
    if (name == "/dev/stdout")
        return STDOUT_FILENO;
    if (name == "/dev/stderr")
        return STDERR_FILENO;
    for (const char* prefix : { "/dev/fd/", "/proc/self/fd/" }) {
        const std::string p = prefix;
        if (name.size() > p.size() && name.compare(0, p.size(), p) == 0) {
            char* end = nullptr;
            const long fd = std::strtol(name.c_str() + p.size(), &end, 10);
            if (*end == '\0' && fd >= 0 && fd <= INT_MAX)
                return static_cast<int>(fd);
        }
    }
    return -1;
}

// The file a chain of symbolic links ends at (which need not exist yet); the name itself when it is not
// a link. Only the last part of each name is followed: the directories above it are the system's to
// resolve when the file is made. A name for one of our own descriptors ends the chain: what the system
// links it to (a pipe, say) has no name to follow. Empty, with errno ELOOP, for a chain that loops.
std::string FollowLinks(std::string name)
{
    for (int hops = 0; hops < 40; ++hops) {
        if (OwnDescriptor(name) >= 0)
            return name;
        struct stat st { };
        if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return name;
        std::vector<char> target(PATH_MAX + 1);
        const ssize_t length = ::readlink(name.c_str(), target.data(), PATH_MAX);
        if (length < 0)
            return name;
        std::string next(target.data(), static_cast<std::size_t>(length));
        if (next.empty() || next[0] != '/') {
            const std::size_t slash = name.rfind('/');
            if (slash != std::string::npos)
                next = name.substr(0, slash + 1) + next;
        }
        name = next;
    }
    errno = ELOOP;
    return std::string();
}

// Makes a file from a mkstemp pattern, open for reading and writing and closed on exec.
int MakeFile(const std::string& pattern, std::string& name)
{
    std::vector<char> made(pattern.begin(), pattern.end());
    made.push_back('\0');
    const int fd = ::mkostemp(made.data(), O_CLOEXEC);
    if (fd >= 0)
        name = made.data();
    return fd;
}

std::string TemporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

// The mode an ordinary create of target would give, or that of the file there that is to be replaced.
mode_t ModeFor(const std::string& target)
{
    struct stat st { };
    if (::stat(target.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string FolderOf(const std::string& target)
{
    const std::size_t slash = target.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : target.substr(0, slash);
}

// A file in target's folder that has no name until LinkOver gives it one, so that a process killed
// outright leaves nothing behind. -1 where the system or the file system has no such files, or when
// /proc, through which writers reopen it, is missing.
int CreateHiddenBeside(const std::string& target)
{
#ifdef __EMSCRIPTEN__
    // The browser's file systems open O_TMPFILE as an ordinary file and cannot link it into place.
    (void)target;
    return -1;
#else
    if (::access("/proc/self/fd", X_OK) != 0)
        return -1;
    const int fd = ::open(FolderOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::fchmod(fd, ModeFor(target));
    return fd;
#endif
}

// Gives the hidden file open at fd target's name, replacing what was there; false with errno.
bool LinkOver(int fd, const std::string& target)
{
    const std::string from = "/proc/self/fd/" + std::to_string(fd);
    static unsigned counter = 0;
    bool shortName = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A name of our own first (a link cannot replace a file), then a rename over the target.
        const std::string suffix = std::to_string(::getpid()) + "-" + std::to_string(++counter);
        const std::string name = shortName ? FolderOf(target) + "/.mirrim-" + suffix : target + "." + suffix;
        if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            if (std::rename(name.c_str(), target.c_str()) == 0)
                return true;
            const int error = errno;
            ::unlink(name.c_str());
            errno = error;
            return false;
        }
        if (errno == ENAMETOOLONG && !shortName)
            shortName = true;
        else if (errno != EEXIST)
            return false;
    }
    return false;
}

// The file a regular target's bytes go to until Commit, and how they get to the target from there:
// hidden or named beside it, or, when its folder takes no new file but the target itself may be
// written, spooled in the temporary folder.
int MakeTempFor(const std::string& target, std::string& temp, OutputFile::Route& route)
{
    route = OutputFile::Route::Hidden;
    int fd = CreateHiddenBeside(target);
    if (fd >= 0)
        return fd;
    route = OutputFile::Route::Named;
    fd = CreateFileBeside(target, temp);
    if (fd >= 0 || (errno != EACCES && errno != EPERM && errno != EROFS))
        return fd;
    const int error = errno;
    struct stat st { };
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0) {
        errno = error;
        return -1;
    }
    fd = MakeFile(TemporaryFolder() + "/mirrim-XXXXXX", temp);
    if (fd < 0) {
        errno = error;
        return -1;
    }
    route = OutputFile::Route::Spool;
    return fd;
}

// Opens an existing name that is not a regular file for writing. A pipe that nobody reads yet would
// block the open for ever, so a reader is waited for only briefly (one started alongside us is in time);
// then the open fails with ENXIO.
int OpenInPlace(const std::string& name, bool pipe)
{
    if (!pipe)
        return ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    for (int waited = 0;; waited += 20) {
        const int fd = ::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            return fd;
        }
        if (errno != ENXIO || waited >= 2000)
            return -1;
        ::usleep(20000);
    }
}

// Writes all of data at the descriptor's position; false with errno.
bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the whole of the file open at from over the contents of the file named target.
bool CopyOver(int from, const std::string& target)
{
    const int to = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
    if (to < 0)
        return false;
    std::vector<char> buffer(1 << 20);
    off_t at = 0;
    bool copied = true;
    for (;;) {
        const ssize_t n = ::pread(from, buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (n > 0 && !WriteAll(to, buffer.data(), static_cast<std::size_t>(n)))) {
            copied = false;
            break;
        }
        if (n == 0)
            break;
        at += n;
    }
    const int error = errno;
    if (::close(to) != 0 && copied)
        return false;
    errno = error;
    return copied;
}

} // namespace

int CreateFileBeside(const std::string& target, std::string& tempName)
{
    int fd = MakeFile(target + ".XXXXXX", tempName);
    if (fd < 0 && errno == ENAMETOOLONG) {
        // The name leaves no room for the suffix: a short name in the same folder still renames over it.
        const std::size_t slash = target.rfind('/');
        fd = MakeFile(
            (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".mirrim-XXXXXX", tempName);
    }
    if (fd < 0)
        return -1;
    // mkostemp makes the file private; give it the mode an ordinary create (or the file it replaces) has.
    ::fchmod(fd, ModeFor(target));
    return fd;
}

int CreateScratchFile(const std::string& near)
{
    int fd = CreateHiddenBeside(near);
    if (fd >= 0)
        return fd;
    std::string name;
    fd = CreateFileBeside(near, name);
    if (fd < 0)
        fd = MakeFile(TemporaryFolder() + "/mirrim-XXXXXX", name);
    if (fd >= 0)
        ::unlink(name.c_str());
    return fd;
}

OutputFile::~OutputFile()
{
    Discard();
}

int OutputFile::Open(const std::string& name)
{
    Discard();
    if (name.empty()) {
        errno = ENOENT;
        return -1;
    }
    target_ = FollowLinks(name);
    if (target_.empty())
        return -1;
    const int own = OwnDescriptor(target_);
    if (own >= 0) {
        fd_ = ::fcntl(own, F_DUPFD_CLOEXEC, 0);
    } else {
        struct stat st { };
        const bool exists = ::stat(target_.c_str(), &st) == 0;
        if (exists && S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            return -1;
        }
        if (exists && !S_ISREG(st.st_mode)) {
            fd_ = OpenInPlace(target_, S_ISFIFO(st.st_mode));
        } else {
            fd_ = MakeTempFor(target_, temp_, route_);
        }
    }
    if (fd_ < 0)
        Discard();
    return fd_;
}

std::string OutputFile::WorkingName() const
{
    if (fd_ < 0)
        return std::string();
    if (route_ == Route::Named || route_ == Route::Spool)
        return temp_;
    return (route_ == Route::Hidden ? "/proc/self/fd/" : "/dev/fd/") + std::to_string(fd_);
}

bool OutputFile::Commit()
{
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    int error = 0;
    if ((route_ == Route::Spool && !CopyOver(fd_, target_)) || (route_ == Route::Hidden && !LinkOver(fd_, target_)))
        error = errno;
    if (::close(fd_) != 0 && error == 0)
        error = errno;
    fd_ = -1;
    if (error == 0 && route_ == Route::Named) {
        if (std::rename(temp_.c_str(), target_.c_str()) == 0)
            temp_.clear();
        else
            error = errno;
    }
    Discard();
    errno = error;
    return error == 0;
}

void OutputFile::Discard()
{
    const int error = errno;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    route_ = Route::InPlace;
    errno = error;
}

SafeFileWriter::~SafeFileWriter()
{
    Discard();
}

std::FILE* SafeFileWriter::Open(const CString& fileName)
{
    Discard();
    const int fd = output_.Open(fileName.str());
    if (fd < 0)
        return nullptr;
#ifdef __EMSCRIPTEN__
    // The browser's C library can neither duplicate a descriptor nor start programs: open the file again.
    const int own = ::open(output_.WorkingName().c_str(), O_WRONLY);
#else
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
#endif
    file_ = own < 0 ? nullptr : ::fdopen(own, "wb");
    if (!file_) {
        const int error = errno;
        if (own >= 0)
            ::close(own);
        Discard();
        errno = error;
    }
    return file_;
}

bool SafeFileWriter::Commit()
{
    if (!file_) {
        errno = EBADF;
        return false;
    }
    int error = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_))
        error = errno ? errno : EIO;
    if (std::fclose(file_) != 0 && error == 0)
        error = errno;
    file_ = nullptr;
    if (error == 0 && !output_.Commit())
        error = errno;
    Discard();
    errno = error;
    return error == 0;
}

void SafeFileWriter::Discard()
{
    const int error = errno;
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    output_.Discard();
    errno = error;
}

int CheckWritable(const CString& fileName)
{
    if (fileName.IsEmpty())
        return ENOENT;
    const std::string target = FollowLinks(fileName.str());
    if (target.empty())
        return errno;
    const int own = OwnDescriptor(target);
    if (own >= 0) {
        const int flags = ::fcntl(own, F_GETFL);
        return flags < 0 || (flags & O_ACCMODE) == O_RDONLY ? EBADF : 0;
    }
    struct stat st { };
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return EISDIR;
        if (!S_ISREG(st.st_mode))
            return ::access(target.c_str(), W_OK) == 0 ? 0 : errno;
    }
    std::string probe;
    OutputFile::Route route;
    const int fd = MakeTempFor(target, probe, route);
    if (fd < 0)
        return errno;
    ::close(fd);
    if (!probe.empty())
        ::unlink(probe.c_str());
    return 0;
}

int SaveFile(const CString& fileName, const std::function<bool(std::FILE*)>& write)
{
    SafeFileWriter writer;
    std::FILE* file = writer.Open(fileName);
    if (!file || !write(file))
        return 0; // the writer's destructor keeps errno
    return writer.Commit() ? 1 : 0;
}
