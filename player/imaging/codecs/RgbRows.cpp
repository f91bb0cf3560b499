#include "player/imaging/codecs/RgbRows.h"

#include "player/imaging/store/CDib.h"

#include <new>

RgbRows::RgbRows(const CDib& picture)
{
    if (picture.GetBitCount() == 24 && picture.GetRows()) {
        bgrRows_ = picture.GetRows();
        stride_ = picture.GetRowLength();
        Start(picture.GetWidth(), picture.GetHeight());
    } else if (const CDC* shown = picture.GetBitmap()) {
        pixels_ = shown->GetBits();
        stride_ = static_cast<std::size_t>(shown->GetStride());
        if (pixels_)
            Start(shown->GetWidth(), shown->GetHeight());
    }
}

RgbRows::RgbRows(const std::uint32_t* pixels, int width, int height, std::size_t stride)
    : pixels_(pixels)
    , stride_(stride)
{
    if (pixels && stride >= static_cast<std::size_t>(width))
        Start(width, height);
}

RgbRows::RgbRows(const std::uint8_t* rgb, int width, int height, std::size_t rowBytes)
    : rgb_(rgb)
    , stride_(rowBytes)
{
    if (rgb && width > 0 && rowBytes / 3 >= static_cast<std::size_t>(width))
        Start(width, height);
}

void RgbRows::Start(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    if (!rgb_) {
        try {
            row_.resize(static_cast<std::size_t>(width) * 3);
        } catch (const std::bad_alloc&) {
            return;
        }
    }
    width_ = width;
    height_ = height;
}

const std::uint8_t* RgbRows::Row(int y)
{
    if (y < 0 || y >= height_)
        return nullptr;
    if (rgb_)
        return rgb_ + stride_ * static_cast<std::size_t>(y);
    std::uint8_t* out = row_.data();
    if (bgrRows_) {
        const std::uint8_t* in = bgrRows_ + stride_ * static_cast<std::size_t>(height_ - 1 - y);
        for (int x = 0; x < width_; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    } else {
        const std::uint32_t* in = pixels_ + stride_ * static_cast<std::size_t>(y);
        for (int x = 0; x < width_; ++x, out += 3) {
            out[0] = static_cast<std::uint8_t>(in[x] >> 16);
            out[1] = static_cast<std::uint8_t>(in[x] >> 8);
            out[2] = static_cast<std::uint8_t>(in[x]);
        }
    }
    return row_.data();
}
