#include "player/imaging/store/EnlargePixels.h"

#include "player/imaging/codecs/PictureLimits.h"
#include "player/imaging/store/CDib.h"

#include <cstring>
#include <vector>

void EnlargePixels(const std::uint8_t* source, std::size_t sourceStride, int width, int height, int bytesPerPixel,
    int factor, bool flip, std::uint8_t* target, std::size_t targetStride)
{
    const std::size_t pixel = static_cast<std::size_t>(bytesPerPixel);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * pixel * static_cast<std::size_t>(factor);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = source + static_cast<std::size_t>(flip ? height - 1 - y : y) * sourceStride;
        std::uint8_t* first = target + static_cast<std::size_t>(y) * static_cast<std::size_t>(factor) * targetStride;
        if (factor == 1) {
            std::memcpy(first, in, rowBytes);
            continue;
        }
        std::uint8_t* out = first;
        for (int x = 0; x < width; ++x, in += pixel) {
            for (int k = 0; k < factor; ++k, out += pixel)
                std::memcpy(out, in, pixel);
        }
        // The other rows of the block repeat the first.
        for (int k = 1; k < factor; ++k)
            std::memcpy(first + static_cast<std::size_t>(k) * targetStride, first, rowBytes);
    }
}

bool EnlargeDib(const CDib& source, int factor, CDib& target)
{
    const std::uint8_t* rows = source.GetRows();
    if (!rows || source.GetBitCount() != 24 || factor < 1
        || !PictureFits(
            static_cast<long long>(source.GetWidth()) * factor, static_cast<long long>(source.GetHeight()) * factor))
        return false;
    if (!target.Create(source.GetWidth() * factor, source.GetHeight() * factor))
        return false;
    std::vector<std::uint8_t> enlarged(target.GetImageSize());
    EnlargePixels(rows, source.GetRowLength(), source.GetWidth(), source.GetHeight(), 3, factor, false, enlarged.data(),
        target.GetRowLength());
    target.SetRows(enlarged.data(), enlarged.size());
    // Lock and Unlock rebuild the display copy from the new rows.
    target.Lock();
    target.Unlock();
    return true;
}
