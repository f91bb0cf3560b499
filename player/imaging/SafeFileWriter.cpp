#include "player/imaging/SafeFileWriter.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
    if (fileName.IsEmpty())
        return nullptr;
    target_ = fileName.str();
    const int fd = CreateFileBeside(target_, temp_);
    if (fd < 0)
        return nullptr;
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        Discard();
    }
    return file_;
}

bool SafeFileWriter::Commit()
{
    if (!file_)
        return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok)
        ok = std::rename(temp_.c_str(), target_.c_str()) == 0;
    if (ok)
        temp_.clear();
    Discard();
    return ok;
}

void SafeFileWriter::Discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        std::remove(temp_.c_str());
        temp_.clear();
    }
}
