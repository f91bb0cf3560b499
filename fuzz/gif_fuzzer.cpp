#include "player/imaging/GifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    GifReader reader;
    RgbImage image;
    if (reader.ReadGifMemory(data, size, image) && image.pixels.size() != std::size_t(image.width) * image.height * 3)
        __builtin_trap();
    return 0;
}
