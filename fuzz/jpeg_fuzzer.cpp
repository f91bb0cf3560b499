#include "FuzzTarget.h"
#include "PictureCheck.h"
#include "player/imaging/codecs/JpegCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckPicture(ReadJpegMemory(data, size));
    return 0;
}
