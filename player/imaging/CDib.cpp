#include "player/imaging/CDib.h"

#include "player/imaging/BmpCodec.h"
#include "player/imaging/DibLayout.h"
#include "player/imaging/GifReader.h"
#include "player/imaging/JpegCodec.h"
#include "player/imaging/PictureLimits.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>

namespace {

constexpr std::size_t kHeaderSize = 40;
constexpr std::uint32_t kResolution = 3780; // pixels per metre, about 96 per inch

// A zero-filled block: header, colourCount black table entries, black rows. Empty when it cannot be
// made.
std::vector<std::uint8_t> makeBlock(int width, int height, int bitCount, std::size_t colourCount)
{
    std::vector<std::uint8_t> block;
    if (!PictureFits(width, height, bitCount))
        return block;
    const std::size_t imageSize = CDib::RowLength(width, bitCount) * static_cast<std::size_t>(height);
    try {
        block.assign(kHeaderSize + 4 * colourCount + imageSize, 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::uint8_t* h = block.data();
    dib::Write32(h + 0, kHeaderSize);
    dib::Write32(h + 4, static_cast<std::uint32_t>(width));
    dib::Write32(h + 8, static_cast<std::uint32_t>(height));
    dib::Write16(h + 12, 1);
    dib::Write16(h + 14, static_cast<std::uint16_t>(bitCount));
    dib::Write32(h + 20, static_cast<std::uint32_t>(imageSize));
    dib::Write32(h + 24, kResolution);
    dib::Write32(h + 28, kResolution);
    dib::Write32(h + 32, static_cast<std::uint32_t>(colourCount));
    return block;
}

// Index of pixel x in a stored row of 1, 4 or 8 bits per pixel, leftmost pixel in the high bits.
unsigned paletteIndex(const std::uint8_t* row, int x, int bitCount)
{
    switch (bitCount) {
    case 8:
        return row[x];
    case 4:
        return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
    default:
        return (row[x / 8] >> (7 - x % 8)) & 0x01;
    }
}

// The value of four bytes read in memory order, as the little-endian layout reads them.
std::uint32_t le32(std::uint32_t raw)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return __builtin_bswap32(raw);
#else
    return raw;
#endif
}

} // namespace

CDib::CDib()
{
    Create(10, 10);
}

std::size_t CDib::RowLength(int width, int bitCount)
{
    if (width <= 0 || bitCount <= 0)
        return 0;
    return ((static_cast<std::size_t>(bitCount) * static_cast<std::size_t>(width) + 31) / 32) * 4;
}

void CDib::readLayout()
{
    header_ = false;
    rows_ = false;
    width_ = height_ = bitCount_ = 0;
    compression_ = 0;
    colourCount_ = rowLength_ = rowsOffset_ = 0;
    if (block_.size() < kHeaderSize || dib::Read32(block_.data()) != kHeaderSize)
        return;
    const std::uint8_t* h = block_.data();
    const auto width = static_cast<std::int32_t>(dib::Read32(h + 4));
    const auto height = static_cast<std::int32_t>(dib::Read32(h + 8));
    const int bitCount = dib::Read16(h + 14);
    if (bitCount < 1 || bitCount > 32 || !PictureFits(width, height, bitCount))
        return;
    const std::uint32_t coloursUsed = dib::Read32(h + 32);
    const std::uint64_t colourCount = coloursUsed ? coloursUsed : dib::DefaultColourCount(bitCount);
    const std::uint64_t rowsOffset = kHeaderSize + 4 * colourCount;
    if (rowsOffset > block_.size())
        return;
    header_ = true;
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    compression_ = dib::Read32(h + 16);
    colourCount_ = static_cast<std::size_t>(colourCount);
    rowsOffset_ = static_cast<std::size_t>(rowsOffset);
    rowLength_ = RowLength(width, bitCount);
    rows_ = rowLength_ * static_cast<std::size_t>(height) <= block_.size() - rowsOffset_;
}

void CDib::setBlock(std::vector<std::uint8_t> block)
{
    block_ = std::move(block);
    readLayout();
}

void CDib::clear()
{
    locked_ = false;
    display_.reset();
    setBlock({});
}

int CDib::Create(int width, int height)
{
    locked_ = false;
    display_.reset();
    setBlock(makeBlock(width, height, 24, 0));
    rebuildDisplay();
    return block_.empty() ? 0 : 1;
}

int CDib::Lock()
{
    if (block_.empty())
        return 0;
    locked_ = true;
    return 1;
}

int CDib::Unlock()
{
    if (block_.empty())
        return 0;
    if (locked_) {
        locked_ = false;
        rebuildDisplay();
    }
    return 1;
}

std::uint8_t* CDib::GetBits()
{
    return locked_ && !block_.empty() ? block_.data() : nullptr;
}

void CDib::Fill(COLORREF color)
{
    const bool wasLocked = locked_;
    locked_ = false;
    if (bitCount_ != 24 || !rows_) {
        if (wasLocked)
            rebuildDisplay();
        return;
    }
    const std::uint8_t bgr[3] = { static_cast<std::uint8_t>(GetBValue(color)),
        static_cast<std::uint8_t>(GetGValue(color)), static_cast<std::uint8_t>(GetRValue(color)) };
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* p = block_.data() + rowsOffset_ + static_cast<std::size_t>(y) * rowLength_;
        for (int x = 0; x < width_; ++x, p += 3)
            std::memcpy(p, bgr, 3);
    }
    rebuildDisplay();
}

int CDib::CopyTo(CDib& target) const
{
    if (&target == this)
        return block_.empty() ? 0 : 1;
    if (!header_ || bitCount_ != 24 || !rows_) {
        // Other depths, and rows that do not fit, give a black 24-bit picture of the same size.
        target.Create(width_, height_);
        target.loadFailed_ = loadFailed_;
        return header_ ? 1 : 0;
    }
    // The whole block, header and all, as the source has it. A canvas is opened and committed this way
    // every frame, so the copy reuses the target's memory (unless that is far too big to keep) and the
    // display surface stays when the size does: one copy and one rebuild.
    target.locked_ = false;
    target.loadFailed_ = loadFailed_;
    try {
        if (target.block_.capacity() / 2 > block_.size())
            target.block_ = std::vector<std::uint8_t>(block_);
        else
            target.block_ = block_;
        target.readLayout();
    } catch (const std::bad_alloc&) {
        target.clear();
    }
    target.rebuildDisplay();
    return 1;
}

void CDib::CommitDrawing()
{
    locked_ = false;
    rebuildDisplay();
}

int CDib::SetRows(const std::uint8_t* source, std::size_t length)
{
    if (!source || !header_ || block_.size() <= rowsOffset_)
        return 0;
    std::memcpy(block_.data() + rowsOffset_, source, std::min(length, block_.size() - rowsOffset_));
    return 1;
}

void CDib::rebuildDisplay()
{
    if (!header_) {
        display_.reset();
        return;
    }
    // Keep the surface while the size stays, so pointers to it remain good across rebuilds.
    if (!display_ || display_->GetWidth() != width_ || display_->GetHeight() != height_) {
        display_.reset();
        try {
            display_ = std::make_unique<CDC>(width_, height_);
        } catch (const std::bad_alloc&) {
            return;
        }
        if (!display_->GetBits()) {
            display_.reset();
            return;
        }
    }
    std::uint32_t* out = display_->GetBits();
    const int stride = display_->GetStride();
    const bool indexed = bitCount_ == 1 || bitCount_ == 4 || bitCount_ == 8;
    if (!rows_ || compression_ != 0 || !(indexed || bitCount_ == 24)) {
        // Compressed rows and depths we do not decode show black.
        for (int y = 0; y < height_; ++y)
            std::fill_n(out + static_cast<std::size_t>(y) * stride, width_, 0xFF000000u);
        return;
    }
    const std::uint8_t* table = block_.data() + kHeaderSize;
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* row = block_.data() + rowsOffset_ + static_cast<std::size_t>(height_ - 1 - y) * rowLength_;
        std::uint32_t* dst = out + static_cast<std::size_t>(y) * stride;
        if (bitCount_ == 24) {
            // Blue, green and red are the low three bytes of a little-endian load of four: one load per
            // pixel instead of three. The last pixel of a row goes byte by byte, as its fourth byte may lie
            // beyond the block.
            const int last = width_ - 1;
            for (int x = 0; x < last; ++x, row += 3) {
                std::uint32_t four;
                std::memcpy(&four, row, 4);
                dst[x] = 0xFF000000u | (le32(four) & 0x00FFFFFFu);
            }
            dst[last] = 0xFF000000u | (static_cast<std::uint32_t>(row[2]) << 16)
                | (static_cast<std::uint32_t>(row[1]) << 8) | row[0];
            continue;
        }
        for (int x = 0; x < width_; ++x) {
            const unsigned index = paletteIndex(row, x, bitCount_);
            if (index >= colourCount_) {
                dst[x] = 0xFF000000u; // beyond the table the file gave
                continue;
            }
            const std::uint8_t* e = table + 4 * index;
            dst[x] = 0xFF000000u | (static_cast<std::uint32_t>(e[2]) << 16) | (static_cast<std::uint32_t>(e[1]) << 8)
                | e[0];
        }
    }
}

int CDib::Draw(CDC* dc, int x, int y, int width, int height)
{
    if (locked_ || !dc || !display_)
        return 0;
    dc->BitBlt(x, y, width, height, display_.get(), 0, 0);
    return 1;
}

int CDib::Tile(CDC* dc, int x0, int y0, int x1, int y1)
{
    if (locked_ || !dc || !display_)
        return 0;
    const long long w = width_;
    const long long h = height_;
    // Start at the first tile that reaches the surface and stop at its far edge, so a huge range costs
    // no more than the surface holds.
    auto first
        = [](long long start, long long step) { return start + step > 0 ? start : start + ((-start) / step) * step; };
    const long long xEnd = std::min<long long>(x1, dc->GetWidth());
    const long long yEnd = std::min<long long>(y1, dc->GetHeight());
    for (long long y = first(y0, h); y < yEnd; y += h) {
        for (long long x = first(x0, w); x < xEnd; x += w)
            dc->BitBlt(static_cast<int>(x), static_cast<int>(y), width_, height_, display_.get(), 0, 0);
    }
    return 1;
}

int CDib::UpdateFromBitmap()
{
    if (bitCount_ != 24)
        return 0;
    if (!display_ || !rows_) {
        Create(10, 10);
        return 0;
    }
    const std::uint32_t* in = display_->GetBits();
    const int stride = display_->GetStride();
    for (int y = 0; y < height_; ++y) {
        const std::uint32_t* src = in + static_cast<std::size_t>(y) * stride;
        std::uint8_t* p = pixelAt(0, y);
        for (int x = 0; x < width_; ++x, p += 3) {
            p[0] = static_cast<std::uint8_t>(src[x]);
            p[1] = static_cast<std::uint8_t>(src[x] >> 8);
            p[2] = static_cast<std::uint8_t>(src[x] >> 16);
        }
    }
    rebuildDisplay();
    return 1;
}

bool CDib::loadRgb(const RgbImage& image)
{
    if (!PictureFits(image.width, image.height)
        || image.pixels.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3)
        return false;
    if (!Create(image.width, image.height))
        return false;
    std::vector<std::uint8_t> rgb(
        image.pixels.begin(), image.pixels.begin() + static_cast<std::ptrdiff_t>(image.width) * image.height * 3);
    SwapRedBlue(rgb.data(), image.width, image.height);
    FlipRows(rgb.data(), static_cast<std::size_t>(image.width) * 3, image.height);
    std::size_t rowLength = 0;
    const std::vector<std::uint8_t> rows = PadRows(rgb.data(), image.width, image.height, rowLength);
    SetRows(rows.data(), rowLength * static_cast<std::size_t>(image.height));
    rebuildDisplay();
    return true;
}

void CDib::makePlaceholder(int bitCount)
{
    setBlock(makeBlock(10, 10, bitCount, dib::DefaultColourCount(bitCount)));
    rebuildDisplay();
}

int CDib::Load(const CString& fileName)
{
    if (fileName.IsEmpty())
        return 0;
    clear();
    loadFailed_ = false;
    try {
        RgbImage image;
        if (ReadJpeg(fileName, image) && loadRgb(image))
            return 1;
        clear();
        image = RgbImage();
        GifReader gif;
        if (gif.ReadGif(fileName, image) && loadRgb(image))
            return 1;
        clear();
        std::vector<std::uint8_t> block;
        if (ReadBmp(fileName, block)) {
            setBlock(std::move(block));
            // A block we cannot lay out is no better than a file nobody could read.
            if (header_) {
                rebuildDisplay();
                return 1;
            }
        }
    } catch (const std::bad_alloc&) {
    }
    clear();
    loadFailed_ = true;
    std::error_code error;
    makePlaceholder(std::filesystem::exists(fileName.c_str(), error) ? 24 : 8);
    return 0;
}

int CDib::SaveBmp(const CString& fileName)
{
    Unlock();
    if (block_.empty())
        return 0;
    return WriteBmp(fileName, block_);
}

int CDib::SaveJpeg(const CString& fileName, int quality)
{
    if (bitCount_ != 24 || !rows_)
        return 0;
    std::vector<std::uint8_t> rgb = UnpadRows(block_.data() + rowsOffset_, width_, rowLength_, height_);
    FlipRows(rgb.data(), static_cast<std::size_t>(width_) * 3, height_);
    SwapRedBlue(rgb.data(), width_, height_);
    return WriteJpeg(fileName, rgb.data(), width_, height_, quality);
}

void CDib::SwapRedBlue(std::uint8_t* buffer, int width, int height)
{
    if (!buffer || width <= 0 || height <= 0)
        return;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i, buffer += 3)
        std::swap(buffer[0], buffer[2]);
}

void CDib::FlipRows(std::uint8_t* buffer, std::size_t rowBytes, int height)
{
    if (!buffer || height <= 1)
        return;
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(buffer + static_cast<std::size_t>(top) * rowBytes,
            buffer + static_cast<std::size_t>(top + 1) * rowBytes,
            buffer + static_cast<std::size_t>(bottom) * rowBytes);
}

std::vector<std::uint8_t> CDib::PadRows(const std::uint8_t* buffer, int width, int height, std::size_t& rowLength)
{
    rowLength = RowLength(width, 24);
    if (!buffer || rowLength == 0 || height <= 0)
        return {};
    std::vector<std::uint8_t> rows(rowLength * static_cast<std::size_t>(height));
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        std::memcpy(rows.data() + static_cast<std::size_t>(y) * rowLength,
            buffer + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    return rows;
}

std::vector<std::uint8_t> CDib::UnpadRows(const std::uint8_t* rows, int width, std::size_t rowLength, int height)
{
    const std::size_t rowBytes = width > 0 ? static_cast<std::size_t>(width) * 3 : 0;
    if (!rows || rowBytes == 0 || rowLength < rowBytes || height <= 0)
        return {};
    std::vector<std::uint8_t> buffer(rowBytes * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(buffer.data() + static_cast<std::size_t>(y) * rowBytes,
            rows + static_cast<std::size_t>(y) * rowLength, rowBytes);
    return buffer;
}
