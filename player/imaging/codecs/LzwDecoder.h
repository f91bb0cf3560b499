#pragma once

#include <cstddef>
#include <cstdint>

// The variable-length LZW code of GIF image data, read from a chain of data sub-blocks (a length byte,
// then that many bytes, ending with a zero length). Each decoder holds its own tables, so reads never
// share state.
//
// Hostile data only ever ends the stream early (a first code after a clear that is not a literal, the end
// code, a zero-length or cut sub-block) or is read as the nearest valid code: a code beyond the next free
// table entry stands for that entry, as ImageMagick reads such files. Every table entry's prefix is an
// earlier entry, so no chain can loop.
class LzwDecoder {
public:
    // minCodeSize must be within [kMinCodeSize, kMaxCodeSize] (see Valid()). Sizes above 8 give indices
    // beyond any colour map, but the format allows them as long as the first codes fit in 12 bits.
    LzwDecoder(const std::uint8_t* blocks, std::size_t size, int minCodeSize);

    static constexpr int kMinCodeSize = 1;
    static constexpr int kMaxCodeSize = 11;
    static bool Valid(int minCodeSize) { return minCodeSize >= kMinCodeSize && minCodeSize <= kMaxCodeSize; }

    // Writes up to count colour indices (below 1 << minCodeSize); fewer than count means the data has
    // ended.
    std::size_t Read(std::uint16_t* out, std::size_t count);

private:
    static constexpr int kMaxCodeBits = 12;
    static constexpr int kTableSize = 1 << kMaxCodeBits;

    int NextCode();
    void ResetTable();

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::size_t blockLeft_ = 0;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;

    int minCodeSize_;
    int clear_;
    int end_;
    int next_ = 0;
    int codeBits_ = 0;
    int prev_ = -1;
    bool ended_ = false;

    std::uint16_t prefix_[kTableSize];
    std::uint16_t suffix_[kTableSize];
    std::uint16_t first_[kTableSize];
    std::uint16_t length_[kTableSize];

    // The part of the last string that did not fit in the caller's buffer.
    std::uint16_t pending_[kTableSize];
    std::size_t pendingAt_ = 0;
    std::size_t pendingEnd_ = 0;
};
