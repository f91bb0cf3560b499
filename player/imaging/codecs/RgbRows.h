#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CDib;

// A picture handed to a writer one row at a time, top row first, as red, green, blue bytes: what the
// JPEG and PNG writers take, from a picture, a 32-bit surface or a plain RGB buffer.
class RgbRows {
public:
    // A picture's own rows when it is 24-bit; otherwise the colours it shows (its display copy).
    explicit RgbRows(const CDib& picture);
    // 32-bit pixels 0x..RRGGBB as surfaces and frames hold them; stride in pixels.
    RgbRows(const std::uint32_t* pixels, int width, int height, std::size_t stride);
    // Red, green, blue bytes, rows rowBytes apart.
    RgbRows(const std::uint8_t* rgb, int width, int height, std::size_t rowBytes);

    // 0 when there is nothing to hand out (no pixels, or no memory for a row).
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Row y as width x 3 bytes, valid until the next call.
    const std::uint8_t* Row(int y);

private:
    void Start(int width, int height);

    int width_ = 0;
    int height_ = 0;
    const std::uint8_t* bgrRows_ = nullptr; // bottom-up, blue first, as a 24-bit picture stores them
    const std::uint8_t* rgb_ = nullptr;
    const std::uint32_t* pixels_ = nullptr;
    std::size_t stride_ = 0; // bytes for bgrRows_ and rgb_, pixels for pixels_
    std::vector<std::uint8_t> row_;
};
