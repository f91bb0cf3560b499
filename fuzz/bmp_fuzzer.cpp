#include "FuzzTarget.h"
#include "PictureCheck.h"
#include "player/imaging/codecs/BmpCodec.h"

#include <cstdlib>

// Whatever reads must also write as a file that reads back showing the same colours, whatever depth,
// masks or compression the writer chose.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const PictureRead read = ReadBmpMemory(data, size);
    CheckPicture(read);
    if (read.status != PictureStatus::Read)
        return 0;
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* file = open_memstream(&buffer, &length);
    const bool written = WriteBmpFile(file, read.block);
    std::fclose(file);
    const PictureRead back = ReadBmpMemory(reinterpret_cast<std::uint8_t*>(buffer), length);
    std::free(buffer);
    if (!written || back.status != PictureStatus::Read || ShownPixels(back.block) != ShownPixels(read.block))
        __builtin_trap();
    return 0;
}
