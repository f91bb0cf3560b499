#pragma once

#include <cstdint>

// The little-endian fields of the Windows bitmap layout, shared by the bitmap block and the BMP files.
namespace dib {

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
    return bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
}

} // namespace dib
