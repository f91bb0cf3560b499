// The browser build has no libjpeg: the page decodes JPEG (and PNG) pictures itself and hands the engine
// their pixels as BMP files (see page.js). Here the JPEG reader finds nothing and the writer writes nothing.
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
