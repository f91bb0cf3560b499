#pragma once

#include <fstream>
#include <sstream>
#include <string>

// A whole file's bytes; empty when it cannot be read.
inline std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
