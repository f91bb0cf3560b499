#pragma once

#include "player/imaging/codecs/DibLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The colours of a packed bitmap of every depth and compression a block may hold: 1, 2, 4 and 8 bits
// through the colour table, plain or run-length coded; 16 and 32 bits through colour masks (the usual
// 5-5-5 and 8-8-8 when the block has none); 24 bits as blue, green, red. Bits outside the masks (alpha)
// are ignored. Indices beyond the colour table are black; pixels a run-length picture never sets have
// the colour of index 0, and runs past the end of a row are cut there.
//
// Masked channels become 8 bits exactly as ImageMagick, the one common reader of every mask, makes them:
// the value goes to the top of 16 bits, 5-bit channels (and 6-bit green) of 16-bit pixels repeat their
// bits, a channel of at most 8 bits in 16-bit pixels (exactly 8 in 32-bit ones) repeats its byte, and
// the 16 bits are divided by 257. So 5-5-5 and 5-6-5 widen by repeating bits (abcde gives abcdeabc), as
// browsers do too, and 8-8-8 stays as it is.
//
// Reads only what the block holds, whatever its header claims.
class DibPixels {
public:
    // The block must outlive this object.
    DibPixels(const std::uint8_t* block, std::size_t size);

    bool Valid() const { return valid_; }
    const dib::Layout& Layout() const { return layout_; }
    bool RunLength() const { return layout_.compression == dib::kRle8 || layout_.compression == dib::kRle4; }
    bool Indexed() const { return layout_.bitCount <= 8; }

    // Every pixel as 0xFFRRGGBB, top row first; row y starts at out + y x stride.
    void Decode(std::uint32_t* out, std::size_t stride) const;
    // Row y (0 = top) of a picture that is not run-length coded, width pixels as 0xFFRRGGBB.
    void DecodeRow(int y, std::uint32_t* out) const;
    // The colour index of every pixel of a 1-, 2-, 4- or 8-bit picture, top row first, width bytes a row.
    // Empty for other depths or when there is no memory for it.
    std::vector<std::uint8_t> DecodeIndices() const;
    // The red, green and blue masks in use (for 16 and 32 bits).
    std::array<std::uint32_t, 3> Masks() const { return { channels_[0].mask, channels_[1].mask, channels_[2].mask }; }

private:
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0; // of the mask's lowest bit
        int bits = 0;
        bool narrowPixels = false; // 16-bit pixels
        bool green = false;
        std::array<std::uint8_t, 256> widened {}; // for bits <= 8
        void Set(std::uint32_t m, int bitCount, bool isGreen);
        std::uint32_t Widen(std::uint32_t v) const;
        std::uint32_t Value(std::uint32_t pixel) const
        {
            const std::uint32_t v = (pixel & mask) >> shift;
            return bits <= 8 ? widened[v] : Widen(v);
        }
    };

    const std::uint8_t* Row(int y) const;
    // Walks run-length data, calling put(x, y, index) for each pixel it sets (y counted from the top).
    template <typename Put> void WalkRunLength(Put put) const;

    const std::uint8_t* block_;
    dib::Layout layout_;
    bool valid_ = false;
    std::array<std::uint32_t, 256> palette_ {};
    Channel channels_[3];
};
