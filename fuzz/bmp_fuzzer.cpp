#include "player/imaging/BmpCodec.h"

#include <cstring>

namespace {

std::uint32_t Get32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

} // namespace

// Beyond not crashing, a block that reads must hold its header, colour table and every row, since
// later code walks the rows from the header's figures alone.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> dib;
    if (!ReadBmpMemory(data, size, dib))
        return 0;
    if (dib.size() < 40)
        __builtin_trap();
    const std::uint64_t width = Get32(dib.data() + 4);
    const std::uint64_t height = Get32(dib.data() + 8);
    std::uint64_t bits = 0;
    std::memcpy(&bits, dib.data() + 14, 2);
    const std::uint64_t colours = Get32(dib.data() + 32);
    const std::uint64_t rowLength = (bits * width + 31) / 32 * 4;
    if (40 + 4 * colours + rowLength * height > dib.size() || Get32(dib.data()) != 40)
        __builtin_trap();
    return 0;
}
