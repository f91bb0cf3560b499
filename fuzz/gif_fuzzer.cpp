#include "FuzzTarget.h"
#include "PictureCheck.h"
#include "player/imaging/codecs/GifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckPicture(GifReader().ReadGifMemory(data, size));
    return 0;
}
