#include "player/imaging/codecs/DibPixels.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t Pixel(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    return kOpaque | (red << 16) | (green << 8) | blue;
}

// Index of pixel x in a packed row of 1, 2, 4 or 8 bits per pixel, leftmost pixel in the high bits.
unsigned PackedIndex(const std::uint8_t* row, int x, int bitCount)
{
    const unsigned bit = static_cast<unsigned>(x) * static_cast<unsigned>(bitCount);
    return (row[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
}

// The value of four bytes read in memory order, as the little-endian layout reads them.
std::uint32_t Le32(std::uint32_t raw)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return __builtin_bswap32(raw);
#else
    return raw;
#endif
}

} // namespace

void DibPixels::Channel::Set(std::uint32_t m, int bitCount, bool isGreen)
{
    mask = m;
    narrowPixels = bitCount == 16;
    green = isGreen;
    if (m == 0)
        return;
    shift = __builtin_ctz(m);
    bits = 32 - __builtin_clz(m) - shift;
    if (bits > 8)
        return;
    for (std::uint32_t v = 0; v < (1u << bits); ++v)
        widened[v] = static_cast<std::uint8_t>(Widen(v));
}

std::uint32_t DibPixels::Channel::Widen(std::uint32_t v) const
{
    std::uint32_t wide = bits > 16 ? v >> (bits - 16) : v << (16 - bits);
    if (narrowPixels) {
        if (bits == 5)
            wide |= (wide & 0xE000) >> 5;
        if (bits == 6 && green)
            wide |= (wide & 0xC000) >> 6;
        if (bits <= 8)
            wide |= (wide & 0xFF00) >> 8;
    } else if (bits == 8) {
        wide |= wide >> 8;
    }
    return wide / 257;
}

DibPixels::DibPixels(const std::uint8_t* block, std::size_t size)
    : block_(block)
{
    if (!dib::ReadLayout(block, size, layout_))
        return;
    const int bits = layout_.bitCount;
    const std::uint32_t compression = layout_.compression;
    switch (bits) {
    case 1:
    case 2:
    case 4:
    case 8:
        valid_ = compression == dib::kRgb || (compression == dib::kRle8 && bits == 8)
            || (compression == dib::kRle4 && bits == 4);
        break;
    case 16:
    case 32:
        valid_ = compression == dib::kRgb || compression == dib::kBitFields;
        break;
    case 24:
        valid_ = compression == dib::kRgb;
        break;
    default:
        break;
    }
    // Run-length data may end anywhere; every other picture needs all its rows.
    valid_ = valid_ && (RunLength() || layout_.rowsFit);
    if (!valid_)
        return;

    const std::uint8_t* table = block_ + dib::kHeaderSize + dib::MaskBytes(compression);
    const std::size_t entries = std::min<std::size_t>(layout_.colourCount, palette_.size());
    palette_.fill(kOpaque);
    for (std::size_t i = 0; i < entries; ++i)
        palette_[i] = Pixel(table[4 * i + 2], table[4 * i + 1], table[4 * i]);

    if (bits == 16 || bits == 32) {
        const std::uint32_t usual[2][3] = { { 0x7C00, 0x03E0, 0x001F }, { 0xFF0000, 0x00FF00, 0x0000FF } };
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t mask = compression == dib::kBitFields ? dib::Read32(block_ + dib::kHeaderSize + 4 * c)
                                                                      : usual[bits == 32][c];
            channels_[c].Set(mask, bits, c == 1);
        }
    }
}

const std::uint8_t* DibPixels::Row(int y) const
{
    return block_ + layout_.rowsOffset + static_cast<std::size_t>(layout_.height - 1 - y) * layout_.rowLength;
}

void DibPixels::DecodeRow(int y, std::uint32_t* out) const
{
    if (!valid_ || RunLength() || y < 0 || y >= layout_.height)
        return;
    const std::uint8_t* row = Row(y);
    const int width = layout_.width;
    switch (layout_.bitCount) {
    case 24: {
        // Blue, green and red are the low three bytes of a little-endian load of four: one load per pixel
        // instead of three. The last pixel of a row goes byte by byte, as its fourth byte may lie beyond
        // the block.
        const int last = width - 1;
        for (int x = 0; x < last; ++x, row += 3) {
            std::uint32_t four;
            std::memcpy(&four, row, 4);
            out[x] = kOpaque | (Le32(four) & 0x00FFFFFFu);
        }
        if (last >= 0)
            out[last] = Pixel(row[2], row[1], row[0]);
        break;
    }
    case 16:
        for (int x = 0; x < width; ++x, row += 2) {
            const std::uint32_t v = dib::Read16(row);
            out[x] = Pixel(channels_[0].Value(v), channels_[1].Value(v), channels_[2].Value(v));
        }
        break;
    case 32:
        for (int x = 0; x < width; ++x, row += 4) {
            const std::uint32_t v = dib::Read32(row);
            out[x] = Pixel(channels_[0].Value(v), channels_[1].Value(v), channels_[2].Value(v));
        }
        break;
    case 8:
        for (int x = 0; x < width; ++x)
            out[x] = palette_[row[x]];
        break;
    default:
        for (int x = 0; x < width; ++x)
            out[x] = palette_[PackedIndex(row, x, layout_.bitCount)];
        break;
    }
}

template <typename Put> void DibPixels::WalkRunLength(Put put) const
{
    const std::uint8_t* data = block_ + layout_.rowsOffset;
    const std::size_t size = layout_.rowsSize;
    const bool four = layout_.compression == dib::kRle4;
    const long long width = layout_.width;
    const long long height = layout_.height;
    // Rows are coded bottom row first; x and row count from the bottom-left corner.
    long long x = 0;
    long long row = 0;
    std::size_t at = 0;
    auto set = [&](unsigned index) {
        if (x < width && row < height)
            put(static_cast<int>(x), static_cast<int>(height - 1 - row), index);
        ++x;
    };
    while (at + 2 <= size && row < height) {
        const unsigned count = data[at];
        const unsigned value = data[at + 1];
        at += 2;
        if (count > 0) {
            // A run of one index, or of two alternating ones in 4-bit data; clipped at the row's end.
            const unsigned n = static_cast<unsigned>(std::min<long long>(count, std::max(0LL, width - x)));
            for (unsigned i = 0; i < n; ++i)
                set(four ? (i % 2 ? value & 0x0F : value >> 4) : value);
            x += count - n;
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of picture
            return;
        } else if (value == 2) { // delta: move right and up
            if (at + 2 > size)
                return;
            x += data[at];
            row += data[at + 1];
            at += 2;
        } else { // absolute run of `value` indices, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            const std::size_t available = std::min(bytes, size - at);
            for (unsigned i = 0; i < value && (four ? i / 2 : i) < available; ++i)
                set(four ? (i % 2 ? data[at + i / 2] & 0x0F : data[at + i / 2] >> 4) : data[at + i]);
            at += bytes + (bytes & 1);
        }
    }
}

void DibPixels::Decode(std::uint32_t* out, std::size_t stride) const
{
    if (!valid_)
        return;
    if (!RunLength()) {
        for (int y = 0; y < layout_.height; ++y)
            DecodeRow(y, out + static_cast<std::size_t>(y) * stride);
        return;
    }
    for (int y = 0; y < layout_.height; ++y)
        std::fill_n(out + static_cast<std::size_t>(y) * stride, layout_.width, palette_[0]);
    WalkRunLength(
        [&](int x, int y, unsigned index) { out[static_cast<std::size_t>(y) * stride + x] = palette_[index]; });
}

std::vector<std::uint8_t> DibPixels::DecodeIndices() const
{
    std::vector<std::uint8_t> indices;
    if (!valid_ || !Indexed())
        return indices;
    const std::size_t width = static_cast<std::size_t>(layout_.width);
    try {
        indices.assign(width * static_cast<std::size_t>(layout_.height), 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (RunLength()) {
        WalkRunLength([&](int x, int y, unsigned index) {
            indices[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)]
                = static_cast<std::uint8_t>(index);
        });
        return indices;
    }
    for (int y = 0; y < layout_.height; ++y) {
        const std::uint8_t* row = Row(y);
        std::uint8_t* dst = indices.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < layout_.width; ++x)
            dst[x] = static_cast<std::uint8_t>(PackedIndex(row, x, layout_.bitCount));
    }
    return indices;
}
