#include "platform/CStdioFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {
std::atomic<long> openAttempts { 0 };
} // namespace

std::string WhyUnreadable(const std::string& path, std::size_t maxBytes)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::strerror(errno);
    struct stat st { };
    const int statError = ::fstat(fd, &st) == 0 ? 0 : errno;
    ::close(fd);
    if (statError)
        return std::strerror(statError);
    if (S_ISDIR(st.st_mode))
        return "a folder, not a file";
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    if (static_cast<unsigned long long>(st.st_size) > maxBytes)
        return "larger than " + std::to_string(maxBytes) + " bytes";
    return "it could not be read to its end";
}

long FileOpenAttempts()
{
    return openAttempts.load();
}

bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::vector<unsigned char>& bytes)
{
    bytes.clear();
    openAttempts.fetch_add(1);
    // O_NONBLOCK keeps a FIFO from hanging the open; it is refused below as not a regular file.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st { };
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) <= maxBytes;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0)
                break; // the file shrank while we read it: keep what was there
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
    }
    ::close(fd);
    if (!ok)
        bytes.clear();
    return ok;
}

} // namespace platform

bool CStdioFile::Open(const CString& path, std::size_t maxBytes)
{
    Close();
    std::vector<unsigned char> bytes;
    if (!platform::ReadWholeFile(path.str(), maxBytes, bytes))
        return false;
    OpenText(std::string(bytes.begin(), bytes.end()));
    return true;
}

void CStdioFile::OpenText(std::string text)
{
    Close();
    text_ = std::move(text);
    open_ = true;
}

bool CStdioFile::ReadString(CString& line)
{
    if (!open_ || pos_ >= text_.size())
        return false;
    std::size_t end = text_.find('\n', pos_);
    std::size_t next = end == std::string::npos ? text_.size() : end + 1;
    if (end == std::string::npos)
        end = text_.size();
    if (end > pos_ && text_[end - 1] == '\r')
        --end;
    line = CString(text_.substr(pos_, end - pos_));
    pos_ = next;
    return true;
}

CString CStdioFile::ReadAllLines()
{
    CString all;
    CString line;
    while (ReadString(line)) {
        all += line;
        all += "\r\n";
    }
    return all;
}

void CStdioFile::Close()
{
    text_.clear();
    pos_ = 0;
    open_ = false;
}
