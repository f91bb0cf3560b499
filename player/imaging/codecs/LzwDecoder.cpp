#include "player/imaging/codecs/LzwDecoder.h"

#include <algorithm>

LzwDecoder::LzwDecoder(const std::uint8_t* blocks, std::size_t size, int minCodeSize)
    : data_(blocks)
    , size_(blocks ? size : 0)
    , minCodeSize_(minCodeSize)
    , clear_(1 << minCodeSize)
    , end_(clear_ + 1)
{
    if (!Valid(minCodeSize)) {
        ended_ = true;
        return;
    }
    for (int i = 0; i < clear_; ++i) {
        prefix_[i] = 0;
        suffix_[i] = first_[i] = static_cast<std::uint16_t>(i);
        length_[i] = 1;
    }
    ResetTable();
}

void LzwDecoder::ResetTable()
{
    next_ = end_ + 1;
    codeBits_ = minCodeSize_ + 1;
    prev_ = -1;
}

int LzwDecoder::NextCode()
{
    while (bitCount_ < codeBits_) {
        if (blockLeft_ == 0) {
            if (pos_ >= size_ || data_[pos_] == 0)
                return -1;
            blockLeft_ = data_[pos_++];
        }
        if (pos_ >= size_)
            return -1;
        bits_ |= static_cast<std::uint32_t>(data_[pos_++]) << bitCount_;
        bitCount_ += 8;
        --blockLeft_;
    }
    const int code = static_cast<int>(bits_ & ((1u << codeBits_) - 1));
    bits_ >>= codeBits_;
    bitCount_ -= codeBits_;
    return code;
}

std::size_t LzwDecoder::Read(std::uint16_t* out, std::size_t count)
{
    std::size_t done = std::min(count, pendingEnd_ - pendingAt_);
    std::copy_n(pending_ + pendingAt_, done, out);
    pendingAt_ += done;
    while (done < count && !ended_) {
        int code = NextCode();
        if (code < 0 || code == end_) {
            ended_ = true;
            break;
        }
        if (code == clear_) {
            ResetTable();
            continue;
        }
        if (prev_ < 0) {
            if (code > clear_) {
                ended_ = true;
                break;
            }
        } else if (next_ < kTableSize) {
            // Damaged data may name an entry not made yet; the next one is the nearest reading.
            code = std::min(code, next_);
            // A code equal to the next free entry stands for the previous string plus its own first byte;
            // once the table is full no 12-bit code can be equal to it.
            const int firstOfNew = code == next_ ? first_[prev_] : first_[code];
            prefix_[next_] = static_cast<std::uint16_t>(prev_);
            suffix_[next_] = static_cast<std::uint16_t>(firstOfNew);
            first_[next_] = first_[prev_];
            length_[next_] = static_cast<std::uint16_t>(length_[prev_] + 1);
            ++next_;
            if (next_ == (1 << codeBits_) && codeBits_ < kMaxCodeBits)
                ++codeBits_;
        }
        prev_ = code;

        // Strings are written back to front by following the prefixes.
        const std::size_t length = length_[code];
        const bool fits = length <= count - done;
        std::uint16_t* dst = fits ? out + done + length : pending_ + length;
        int c = code;
        for (std::size_t i = 0; i < length; ++i) {
            *--dst = suffix_[c];
            c = prefix_[c];
        }
        if (fits) {
            done += length;
        } else {
            const std::size_t take = count - done;
            std::copy_n(pending_, take, out + done);
            pendingAt_ = take;
            pendingEnd_ = length;
            done = count;
        }
    }
    return done;
}
