#pragma once

#include "platform/CString.h"

#include <cstdio>
#include <functional>
#include <string>

// Makes a new, empty file beside target (its name followed by ".XXXXXX"), with the mode an ordinary
// create of target would give, or the mode of the file there that it is to replace. Returns its
// descriptor, open for reading and writing, and its name in tempName; -1 when it cannot be made.
int CreateFileBeside(const std::string& target, std::string& tempName);

// Writes a file so that a failed save never truncates or half-writes a file that was there before: the
// bytes go to a temporary file in the same directory that replaces the target only when every byte has
// been written. A symbolic link is followed: its target is replaced and the link stays. A name that
// exists and is not a regular file (a pipe, a terminal, a device, /dev/stdout) is written directly, in
// place; /dev/stdout, /dev/stderr and /dev/fd/N write to this process's own descriptor.
//
// On failure errno says why ("No such file or directory", "Permission denied", "No space left on
// device", ...), also after the writer is destroyed. Destroying it without Commit() removes the
// temporary file.
class SafeFileWriter {
public:
    SafeFileWriter() = default;
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;
    ~SafeFileWriter();

    // Opens where the bytes go; null when it cannot.
    std::FILE* Open(const CString& fileName);
    // Flushes and closes the file and, for a temporary one, renames it over the target; false on any
    // error.
    bool Commit();

private:
    void Discard();

    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temp_; // empty when writing in place
};

// Whether a SafeFileWriter could write fileName, found without touching it (a file made beside it is
// removed again): 0 when it could, otherwise the errno that Open or Commit would fail with.
int CheckWritable(const CString& fileName);

// Opens fileName with a SafeFileWriter, lets write fill the file and commits it: 1 when written,
// otherwise 0 with errno saying why (write leaves its own reason there when it returns false).
int SaveFile(const CString& fileName, const std::function<bool(std::FILE*)>& write);
