#pragma once

#include "platform/CString.h"

#include <cstdio>
#include <functional>
#include <string>

// Makes a new, empty file beside target (its name followed by ".XXXXXX", or a short ".mirrim-XXXXXX" in
// the same folder when that name would be too long), with the mode an ordinary create of target would
// give, or the mode of the file there that it is to replace. Returns its descriptor, open for reading and
// writing, and its name in tempName; -1 when it cannot be made.
int CreateFileBeside(const std::string& target, std::string& tempName);

// An unnamed file for scratch data that goes with the process whatever happens: beside near when the
// folder allows, otherwise in the temporary folder. -1 with errno when neither can be made.
int CreateScratchFile(const std::string& near);

// Where the bytes of one output go. Every file this program writes (pictures, videos, particle files)
// goes through one of these, so that all follow the same rules:
// - A symbolic link is followed: its target is written and the link stays.
// - A name that exists and is not a regular file (a pipe, a terminal, a device, /dev/stdout) is written
//   directly, in place; /dev/stdout, /dev/stderr and /dev/fd/N stand for this process's own descriptors.
// - Otherwise the bytes go to a new file beside the name, which replaces the name only on Commit, so a
//   failed or abandoned output never harms a file that was there. Where the file system allows, that file
//   has no name until then, so even a process killed outright leaves nothing behind. When no file can be made in that
//   folder (read-only, no permission) but the file there may be written, the bytes are gathered in the
//   temporary folder and copied over the old contents on Commit.
// Failures leave the system's reason in errno.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // A descriptor for the bytes (readable too, unless written in place); -1 when it cannot be had.
    int Open(const std::string& name);
    int Descriptor() const { return fd_; }
    // A name under which what is being written can be opened again, for writers that reopen their file.
    std::string WorkingName() const;
    // Whether the bytes go to a regular file of our own, which can be read back, sought and grown.
    bool IsRegular() const { return route_ != Route::InPlace; }
    // Closes the descriptor and puts the file in the name's place; false with errno on any error.
    bool Commit();
    // Closes the descriptor and removes what was written under a name of our own.
    void Discard();

    // How the bytes reach the name: written there directly; in a file beside it that has no name until
    // Commit (where the file system allows: nothing is left if the process is killed), or one under a
    // temporary name, renamed over it; or spooled in the temporary folder and copied over it.
    enum class Route { InPlace, Hidden, Named, Spool };

private:
    int fd_ = -1;
    std::string target_;
    std::string temp_; // the named or spooled file's name
    Route route_ = Route::InPlace;
};

// Writes one file through an OutputFile with stdio. Destroying it without Commit() removes what was
// written; errno keeps the reason of a failure also after the writer is destroyed.
class SafeFileWriter {
public:
    SafeFileWriter() = default;
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;
    ~SafeFileWriter();

    // Opens where the bytes go; null when it cannot.
    std::FILE* Open(const CString& fileName);
    // Flushes and closes the file and puts it in place; false on any error.
    bool Commit();

private:
    void Discard();

    std::FILE* file_ = nullptr;
    OutputFile output_;
};

// Whether an OutputFile could write fileName, found without touching it (a file made to try is removed
// again): 0 when it could, otherwise the errno that Open or Commit would fail with.
int CheckWritable(const CString& fileName);

// Opens fileName with a SafeFileWriter, lets write fill the file and commits it: 1 when written,
// otherwise 0 with errno saying why (write leaves its own reason there when it returns false).
int SaveFile(const CString& fileName, const std::function<bool(std::FILE*)>& write);
