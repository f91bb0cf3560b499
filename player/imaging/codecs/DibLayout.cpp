#include "player/imaging/codecs/DibLayout.h"

#include "platform/PixelBudget.h"

#include <algorithm>
#include <new>

namespace dib {

namespace {

constexpr std::uint32_t kResolution = 3780; // pixels per metre, about 96 per inch

} // namespace

bool ReadLayout(const std::uint8_t* block, std::size_t size, Layout& layout)
{
    layout = Layout();
    if (!block || size < kHeaderSize || Read32(block) != kHeaderSize)
        return false;
    const auto width = static_cast<std::int32_t>(Read32(block + 4));
    const auto height = static_cast<std::int32_t>(Read32(block + 8));
    const int bitCount = static_cast<int>(Read16(block + 14));
    if (bitCount < 1 || bitCount > 32 || !PictureFits(width, height))
        return false;
    const std::uint32_t compression = Read32(block + 16);
    const std::uint32_t used = Read32(block + 32);
    const std::uint64_t colourCount = used ? used : DefaultColourCount(static_cast<std::uint32_t>(bitCount));
    const std::uint64_t rowsOffset = kHeaderSize + MaskBytes(compression) + 4 * colourCount;
    if (rowsOffset > size)
        return false;
    layout.width = width;
    layout.height = height;
    layout.bitCount = bitCount;
    layout.compression = compression;
    layout.colourCount = static_cast<std::size_t>(colourCount);
    layout.rowsOffset = static_cast<std::size_t>(rowsOffset);
    layout.rowLength = RowLength(width, bitCount);
    layout.rowsSize = size - layout.rowsOffset;
    layout.rowsFit = layout.rowLength * static_cast<std::size_t>(height) <= layout.rowsSize;
    return true;
}

void WriteHeader(std::uint8_t* h, int width, int height, int bitCount, std::uint32_t colourCount)
{
    std::fill_n(h, kHeaderSize, 0);
    Write32(h + 0, kHeaderSize);
    Write32(h + 4, static_cast<std::uint32_t>(width));
    Write32(h + 8, static_cast<std::uint32_t>(height));
    Write16(h + 12, 1);
    Write16(h + 14, static_cast<std::uint32_t>(bitCount));
    Write32(h + 20, static_cast<std::uint32_t>(RowLength(width, bitCount) * static_cast<std::size_t>(height)));
    Write32(h + 24, kResolution);
    Write32(h + 28, kResolution);
    Write32(h + 32, colourCount);
}

std::vector<std::uint8_t> MakeBlock(int width, int height, int bitCount, std::uint32_t colourCount)
{
    std::vector<std::uint8_t> block;
    if (!PictureFits(width, height) || bitCount < 1 || bitCount > 32)
        return block;
    const std::size_t imageSize = RowLength(width, bitCount) * static_cast<std::size_t>(height);
    try {
        block.assign(kHeaderSize + 4 * std::size_t { colourCount } + imageSize, 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    WriteHeader(block.data(), width, height, bitCount, colourCount);
    return block;
}

} // namespace dib
