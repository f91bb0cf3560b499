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

// The lines of a text file, without their line ends.
inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A Python script that makes pictures: the body runs after D (the directory), IM (ImageMagick),
// path(name), and src, a W x H picture of varied colours, with alpha, a copy of it whose alpha is 60,
// both saved as src.png and alpha.png.
inline std::string PictureScript(int width, int height, const std::string& body)
{
    return "import os, random, struct, subprocess, sys, zlib\n"
           "from PIL import Image\n"
           "D = sys.argv[1]\n"
           "IM = '/usr/bin/convert-im6.q16'\n"
           "def path(name): return os.path.join(D, name)\n"
           "W, H = "
        + std::to_string(width) + ", " + std::to_string(height)
        + "\n"
          "src = Image.new('RGB', (W, H))\n"
          "src.putdata([((x * 37) % 256, (y * 51) % 256, ((x + y) * 23) % 256) for y in range(H) for x in range(W)])\n"
          "src.save(path('src.png'))\n"
          "alpha = src.copy()\n"
          "alpha.putalpha(Image.new('L', (W, H), 60))\n"
          "alpha.save(path('alpha.png'))\n"
        + body;
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
