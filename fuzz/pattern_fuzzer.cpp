// Image sequence file-name patterns, which come from scene files: formatting one must never read an
// argument that is not there or produce a name out of proportion to the pattern.
#include "FuzzTarget.h"
#include "particle/constraints/FileNamePattern.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    int index;
    __builtin_memcpy(&index, data, sizeof index);
    CString pattern(std::string(reinterpret_cast<const char*>(data) + 4, size - 4));
    CString name = FormatFileNamePattern(pattern, index);
    // A conversion of at most three digits of width and precision adds a bounded number of bytes.
    if (name.GetLength() > pattern.GetLength() + 1000)
        __builtin_trap();
    return 0;
}
