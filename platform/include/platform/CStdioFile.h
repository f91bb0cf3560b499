#pragma once

#include "platform/PlatformExport.h"

#include "platform/CString.h"

#include <cstddef>
#include <string>
#include <vector>

// A text file read line by line. Lines end in LF or CR LF; a last line without a break is still a
// line. The file is read whole when it is opened, so later reads cannot fail half-way.
class PLATFORM_EXPORT CStdioFile {
public:
    // Refuses what is not a regular file and files longer than maxBytes.
    static constexpr std::size_t kDefaultMaxBytes = 16u << 20;

    bool Open(const CString& path, std::size_t maxBytes = kDefaultMaxBytes);
    // Text already read from a file, to be read as the file would be.
    void OpenText(std::string text);
    // The next line without its line end; false at the end of the file.
    bool ReadString(CString& line);
    // Every line not read yet, each ended by CR LF: the form definition text takes whatever line ends
    // the file had.
    CString ReadAllLines();
    void Close();

private:
    std::string text_;
    std::size_t pos_ = 0;
    bool open_ = false;
};

namespace platform {
// Reads a regular file of at most maxBytes into bytes; false if it cannot.
PLATFORM_EXPORT bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::vector<unsigned char>& bytes);
// Why ReadWholeFile fails on path, for a message: the system's reason ("No such file or directory",
// "Permission denied"), "a folder, not a file", "not a regular file" or "larger than N bytes".
PLATFORM_EXPORT std::string WhyUnreadable(const std::string& path, std::size_t maxBytes);
// How many times ReadWholeFile has tried to open a file (every read of a file goes through it), for
// tests that watch how often a scene reads files.
PLATFORM_EXPORT long FileOpenAttempts();
} // namespace platform
