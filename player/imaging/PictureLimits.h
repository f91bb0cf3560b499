#pragma once

#include <cstddef>
#include <cstdint>

// Bounds on every picture the program makes or reads: each side at most 16384 pixels and the pixel
// rows, at 4 bytes a pixel, within 32 bits. A picture beyond them is refused, never allocated.
constexpr int kMaxPictureSide = 16384;
constexpr std::uint64_t kMaxPictureBytes = 0xFFFFFFFFull;

// True when a width x height picture of the given bits per pixel fits the bounds.
inline bool PictureFits(long long width, long long height, int bitsPerPixel = 24)
{
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
        return false;
    const std::uint64_t rowBytes = ((static_cast<std::uint64_t>(bitsPerPixel) * width + 31) / 32) * 4;
    return rowBytes * static_cast<std::uint64_t>(height) <= kMaxPictureBytes;
}

// Picture files are read whole; nothing we can show needs more than this (the largest picture above, as a
// 32-bit BMP, plus headers).
constexpr std::size_t kMaxPictureFileBytes = (std::size_t { 1 } << 30) + (std::size_t { 1 } << 20);
