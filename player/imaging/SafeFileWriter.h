#pragma once

#include "platform/CString.h"

#include <cstdio>
#include <string>

// Makes a new, empty file beside target (its name followed by ".XXXXXX"), with the mode an ordinary
// create of target would give, or the mode of the file there that it is to replace. Returns its
// descriptor, open for reading and writing, and its name in tempName; -1 when it cannot be made.
int CreateFileBeside(const std::string& target, std::string& tempName);

// Writes a file through a temporary file in the same directory that replaces the target only when every
// byte has been written, so a failed save never truncates or half-writes a file that was there before.
// Destroying the writer without Commit() removes the temporary file.
class SafeFileWriter {
public:
    SafeFileWriter() = default;
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;
    ~SafeFileWriter();

    // Opens the temporary file; null when it cannot be made.
    std::FILE* Open(const CString& fileName);
    // Flushes and closes the temporary file and renames it over the target; false on any error.
    bool Commit();

private:
    void Discard();

    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temp_;
};
