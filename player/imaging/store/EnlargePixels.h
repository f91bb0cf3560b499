#pragma once

#include <cstddef>
#include <cstdint>

// Copies width x height pixels of bytesPerPixel bytes each from source rows to target rows, every pixel
// becoming a factor x factor block of the same value (nearest neighbour, so edges stay crisp). With flip,
// the rows come out in the opposite order: bottom-up DIB rows become top-down rows and back. The target
// holds width x factor pixels a row and height x factor rows; bytes past them in a row are left alone.
void EnlargePixels(const std::uint8_t* source, std::size_t sourceStride, int width, int height, int bytesPerPixel,
    int factor, bool flip, std::uint8_t* target, std::size_t targetStride);

class CDib;

// Makes target a 24-bit copy of the 24-bit source enlarged factor times; false (target untouched) when
// the source has no pixels or the enlarged picture cannot be made.
bool EnlargeDib(const CDib& source, int factor, CDib& target);
