#include "player/imaging/SafeFileWriter.h"

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

} // namespace

SafeFileWriter::~SafeFileWriter()
{
    Discard();
}

int CreateFileBeside(const std::string& target, std::string& tempName)
{
    std::string pattern = target + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return -1;
    tempName = name.data();
    // mkostemp makes the file private; give it the mode an ordinary create (or the file it replaces) has.
    struct stat st { };
    mode_t mode;
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    return fd;
}

std::FILE* SafeFileWriter::Open(const CString& fileName)
{
    Discard();
    if (fileName.IsEmpty()) {
        errno = ENOENT;
        return nullptr;
    }
    int fd = -1;
    target_ = FollowLinks(fileName.str());
    if (target_.empty())
        return nullptr;
    const int own = OwnDescriptor(target_);
    if (own >= 0) {
        fd = ::fcntl(own, F_DUPFD_CLOEXEC, 0);
    } else {
        struct stat st { };
        const bool exists = ::stat(target_.c_str(), &st) == 0;
        if (exists && S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            return nullptr;
        }
        fd = exists && !S_ISREG(st.st_mode) ? ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY)
                                            : CreateFileBeside(target_, temp_);
    }
    if (fd < 0)
        return nullptr;
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        const int error = errno;
        ::close(fd);
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
    if (error == 0 && !temp_.empty()) {
        if (std::rename(temp_.c_str(), target_.c_str()) == 0)
            temp_.clear();
        else
            error = errno;
    }
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
    if (!temp_.empty()) {
        std::remove(temp_.c_str());
        temp_.clear();
    }
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
    const int fd = CreateFileBeside(target, probe);
    if (fd < 0)
        return errno;
    ::close(fd);
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
