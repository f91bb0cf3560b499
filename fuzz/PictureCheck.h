#pragma once

// What every picture reader must give, checked the same way in each harness: nothing on failure, and on
// success a block that holds its header, colour table and every row, and shows as many pixels as it
// claims.
#include "player/imaging/codecs/DibPixels.h"
#include "player/imaging/codecs/PictureFormat.h"

#include <vector>

// The colours a block shows, top row first; traps when the block is not a whole picture.
inline std::vector<std::uint32_t> ShownPixels(const std::vector<std::uint8_t>& block)
{
    const DibPixels pixels(block.data(), block.size());
    if (!pixels.Valid())
        __builtin_trap();
    const dib::Layout& layout = pixels.Layout();
    std::vector<std::uint32_t> shown(static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.height));
    pixels.Decode(shown.data(), static_cast<std::size_t>(layout.width));
    for (std::uint32_t pixel : shown) {
        if ((pixel >> 24) != 0xFF)
            __builtin_trap();
    }
    return shown;
}

inline void CheckPicture(const PictureRead& read)
{
    if (read.status != PictureStatus::Read) {
        if (!read.block.empty())
            __builtin_trap();
        return;
    }
    ShownPixels(read.block);
}
