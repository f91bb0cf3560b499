#pragma once

#include <cstdint>
#include <vector>

// A picture as the JPEG and GIF readers deliver it: width x height pixels of three bytes, red, green,
// blue, rows top first, no padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};
