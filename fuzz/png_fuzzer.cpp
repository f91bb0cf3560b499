#include "FuzzTarget.h"
#include "PictureCheck.h"
#include "player/imaging/codecs/PngCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckPicture(ReadPngMemory(data, size));
    return 0;
}
