// Placeholders until the readers and writers land; every call fails.
#include "player/imaging/BmpCodec.h"
#include "player/imaging/GifReader.h"
#include "player/imaging/JpegCodec.h"

bool ReadJpeg(const CString&, RgbImage&)
{
    return false;
}
bool ReadJpegMemory(const std::uint8_t*, std::size_t, RgbImage&)
{
    return false;
}
int WriteJpeg(const CString&, const std::uint8_t*, int, int, int)
{
    return 0;
}
bool GifReader::ReadGif(const CString&, RgbImage&)
{
    return false;
}
bool GifReader::ReadGifMemory(const std::uint8_t*, std::size_t, RgbImage&)
{
    return false;
}
bool ReadBmp(const CString&, std::vector<std::uint8_t>&)
{
    return false;
}
bool ReadBmpMemory(const std::uint8_t*, std::size_t, std::vector<std::uint8_t>&)
{
    return false;
}
int WriteBmp(const CString&, const std::vector<std::uint8_t>&)
{
    return 0;
}
