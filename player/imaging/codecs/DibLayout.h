#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The packed device-independent bitmap shared by the picture, its readers and writers, and the recorder:
// a 40-byte information header, three colour masks when the compression says so, the colour table, then
// the rows, bottom-up, each padded to 4 bytes. All fields are little-endian.
namespace dib {

constexpr std::size_t kHeaderSize = 40;
constexpr std::uint32_t kMaxColours = 256;

// Compression field values a block may hold.
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3; // red, green and blue masks follow the header

inline std::uint32_t Read16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

inline std::uint32_t Read32(const std::uint8_t* p)
{
    return Read16(p) | (Read16(p + 2) << 16);
}

inline void Write16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void Write32(std::uint8_t* p, std::uint32_t v)
{
    Write16(p, v);
    Write16(p + 2, v >> 16);
}

// Colour table entries of a picture whose colours-used field is 0.
inline std::uint32_t DefaultColourCount(std::uint32_t bitCount)
{
    return bitCount == 1 ? 2 : bitCount == 2 ? 4 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
}

// Bytes of masks between the header and the colour table.
inline std::size_t MaskBytes(std::uint32_t compression)
{
    return compression == kBitFields ? 12 : 0;
}

// Bytes per stored row: rows are padded to a multiple of 4 bytes.
inline std::size_t RowLength(long long width, int bitCount)
{
    if (width <= 0 || bitCount <= 0)
        return 0;
    return ((static_cast<std::size_t>(bitCount) * static_cast<std::size_t>(width) + 31) / 32) * 4;
}

// Where the parts of a block lie, read from its header. Width and height are positive and within the
// pixel budget; the colour table (and the masks, if any) lie inside the block.
struct Layout {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::size_t colourCount = 0;
    std::size_t rowsOffset = 0; // header, masks and colour table come first
    std::size_t rowLength = 0;
    std::size_t rowsSize = 0; // bytes of the block from rowsOffset on: rows or run-length data
    bool rowsFit = false; // rowLength x height bytes lie inside the block
};

// False when the block has no usable 40-byte header.
bool ReadLayout(const std::uint8_t* block, std::size_t size, Layout& layout);

// Writes a 40-byte header of an uncompressed picture (resolution about 96 pixels an inch).
void WriteHeader(std::uint8_t* header, int width, int height, int bitCount, std::uint32_t colourCount);

// A zero-filled uncompressed block (black rows, colourCount black table entries) of a size the pixel
// budget allows; empty when it does not, or when there is no memory for it.
std::vector<std::uint8_t> MakeBlock(int width, int height, int bitCount, std::uint32_t colourCount);

} // namespace dib
