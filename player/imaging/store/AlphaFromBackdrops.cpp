#include "player/imaging/store/AlphaFromBackdrops.h"

#include "player/imaging/store/CDib.h"

#include <algorithm>

bool AlphaFromBackdrops(const CDib& onBlack, const CDib& onWhite, std::vector<std::uint8_t>& bgra)
{
    const int width = onBlack.GetWidth();
    const int height = onBlack.GetHeight();
    const std::uint8_t* black = onBlack.GetRows();
    const std::uint8_t* white = onWhite.GetRows();
    if (!black || !white || onBlack.GetBitCount() != 24 || onWhite.GetBitCount() != 24 || width != onWhite.GetWidth()
        || height != onWhite.GetHeight())
        return false;
    const std::size_t rowLength = onBlack.GetRowLength();
    bgra.resize(static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height));
    std::uint8_t* out = bgra.data();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* b = black + static_cast<std::size_t>(y) * rowLength;
        const std::uint8_t* w = white + static_cast<std::size_t>(y) * rowLength;
        for (int x = 0; x < width; ++x, b += 3, w += 3, out += 4) {
            int through = 255;
            for (int c = 0; c < 3; ++c)
                through = std::min(through, std::max(0, w[c] - b[c]));
            const int alpha = 255 - through;
            for (int c = 0; c < 3; ++c)
                out[c] = alpha ? static_cast<std::uint8_t>(std::min(255, (b[c] * 255 + alpha / 2) / alpha)) : 0;
            out[3] = static_cast<std::uint8_t>(alpha);
        }
    }
    return true;
}

std::vector<std::uint8_t> TopDownRgba(const std::uint8_t* bgra, int width, int height)
{
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> rgba(row * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = bgra + static_cast<std::size_t>(height - 1 - y) * row;
        std::uint8_t* to = rgba.data() + static_cast<std::size_t>(y) * row;
        for (std::size_t i = 0; i < row; i += 4) {
            to[i] = from[i + 2];
            to[i + 1] = from[i + 1];
            to[i + 2] = from[i];
            to[i + 3] = from[i + 3];
        }
    }
    return rgba;
}
