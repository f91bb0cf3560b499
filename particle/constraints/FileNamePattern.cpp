#include "particle/constraints/FileNamePattern.h"

#include <cstring>
#include <string>

namespace {

// strchr would find the terminating NUL of the set, and a NUL inside the pattern ends the C string
// that printf sees; neither may count as a flag or a conversion.
bool isOneOf(char c, const char* set)
{
    return c != '\0' && std::strchr(set, c) != nullptr;
}

// Length of the digits at text[at], at most three.
bool readSmallNumber(const std::string& text, std::size_t& at)
{
    std::size_t digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        ++at;
        if (++digits > 3)
            return false;
    }
    return true;
}

bool isSafePattern(const std::string& p)
{
    if (p.find('\0') != std::string::npos)
        return false;
    int conversions = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] != '%')
            continue;
        if (++i >= p.size())
            return false;
        if (p[i] == '%')
            continue;
        while (i < p.size() && isOneOf(p[i], "-+ #0"))
            ++i;
        if (!readSmallNumber(p, i))
            return false;
        if (i < p.size() && p[i] == '.') {
            ++i;
            if (!readSmallNumber(p, i))
                return false;
        }
        if (i >= p.size() || !isOneOf(p[i], "diouxX"))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

} // namespace

CString FormatFileNamePattern(const CString& pattern, int index)
{
    if (!isSafePattern(pattern.str()))
        return pattern;
    CString name;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    name.Format(pattern.c_str(), index); // checked above: exactly one int conversion
#pragma GCC diagnostic pop
    return name;
}
