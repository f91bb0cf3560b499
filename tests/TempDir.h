#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A fresh directory for one test, removed with everything in it when the test ends. CTest runs tests in
// parallel processes, so no two tests may share a file name.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirrim-test-XXXXXX").string();
        if (char* made = mkdtemp(pattern.data()))
            path_ = made;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory with a trailing slash, ready to have a file name appended.
    std::string path() const { return path_ + "/"; }
    std::string file(const std::string& name) const { return path() + name; }

private:
    std::string path_;
};
