#pragma once

#include "tests/TempDir.h"

// Helpers for tests that check our codecs against pictures made and decoded by tools nobody here wrote
// (Pillow and ImageMagick), in a temporary directory per test suite.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace toolfiles {

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kImageMagick = "/usr/bin/convert-im6.q16";

inline bool HavePillow()
{
    return access(kPython, X_OK) == 0 && std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0;
}

inline bool HaveImageMagick()
{
    return access(kImageMagick, X_OK) == 0;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs a Python script with the directory as its first argument; true when it exits 0.
inline bool RunPython(const TempDir& dir, const std::string& script)
{
    const std::string file = dir.file("make.py");
    WriteBytes(file, std::vector<std::uint8_t>(script.begin(), script.end()));
    const std::string command = std::string(kPython) + " " + file + " " + dir.path();
    return std::system(command.c_str()) == 0;
}

} // namespace toolfiles
