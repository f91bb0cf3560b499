#include "player/imaging/store/CDib.h"

#include "player/imaging/codecs/DibLayout.h"
#include "player/imaging/codecs/DibPixels.h"
#include "player/imaging/codecs/RgbRows.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

CDib::CDib()
{
    Create(10, 10);
}

void CDib::readLayout()
{
    dib::Layout layout;
    header_ = dib::ReadLayout(block_.data(), block_.size(), layout);
    width_ = layout.width;
    height_ = layout.height;
    bitCount_ = layout.bitCount;
    rowLength_ = layout.rowLength;
    rowsOffset_ = layout.rowsOffset;
    rows_ = layout.rowsFit;
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
    setBlock(dib::MakeBlock(width, height, 24, 0));
    rebuildDisplay();
    return block_.empty() ? 0 : 1;
}

int CDib::Lock()
{
    if (block_.empty())
        return 0;
    showLatestDrawing();
    locked_ = true;
    return 1;
}

int CDib::Unlock()
{
    if (block_.empty())
        return 0;
    if (locked_) {
        locked_ = false;
        // Only 24-bit pictures take writes; any other still shows what its block holds.
        if (bitCount_ == 24 || !display_)
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
    displayDue_ = true;
}

int CDib::SetRows(const std::uint8_t* source, std::size_t length)
{
    showLatestDrawing();
    if (!source || !header_ || block_.size() <= rowsOffset_)
        return 0;
    std::memcpy(block_.data() + rowsOffset_, source, std::min(length, block_.size() - rowsOffset_));
    return 1;
}

void CDib::rebuildDisplay() const
{
    displayDue_ = false;
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
    const auto stride = static_cast<std::size_t>(display_->GetStride());
    const DibPixels pixels(block_.data(), block_.size());
    if (!pixels.Valid()) {
        // Rows the block does not hold, or a kind of pixel we do not decode, show black.
        for (int y = 0; y < height_; ++y)
            std::fill_n(out + static_cast<std::size_t>(y) * stride, width_, 0xFF000000u);
        return;
    }
    pixels.Decode(out, stride);
}

COLORREF CDib::shownPixel(int x, int y) const
{
    showLatestDrawing();
    if (!display_)
        return 0;
    const std::uint32_t pixel = display_->GetBits()[static_cast<std::size_t>(y) * display_->GetStride() + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

int CDib::Draw(CDC* dc, int x, int y, int width, int height)
{
    showLatestDrawing();
    if (locked_ || !dc || !display_)
        return 0;
    dc->BitBlt(x, y, width, height, display_.get(), 0, 0);
    return 1;
}

int CDib::Tile(CDC* dc, int x0, int y0, int x1, int y1)
{
    showLatestDrawing();
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
    showLatestDrawing();
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

void CDib::makePlaceholder(int bitCount)
{
    setBlock(dib::MakeBlock(10, 10, bitCount, dib::DefaultColourCount(static_cast<std::uint32_t>(bitCount))));
    rebuildDisplay();
}

int CDib::Load(const CString& fileName)
{
    if (fileName.IsEmpty())
        return 0;
    // The old picture goes first: a large one and its successor need not both fit in memory.
    clear();
    loadFailed_ = false;
    lastLoad_ = ReadPictureFile(fileName);
    if (lastLoad_.read.status == PictureStatus::Read) {
        setBlock(std::move(lastLoad_.read.block));
        lastLoad_.read.block = std::vector<std::uint8_t>();
        // A block we cannot lay out is no better than a file nobody could read.
        if (header_) {
            rebuildDisplay();
            return 1;
        }
        lastLoad_.read.status = PictureStatus::Damaged;
    }
    clear();
    loadFailed_ = true;
    makePlaceholder(lastLoad_.read.status == PictureStatus::Missing ? 8 : 24);
    return 0;
}

int CDib::SaveAs(const CString& fileName, const PictureFormat& format, int quality)
{
    Unlock();
    if (block_.empty()) {
        errno = EINVAL;
        return 0;
    }
    if (format.writeBlock)
        return SavePictureBlock(fileName, format, block_);
    return SavePicture(fileName, format, RgbRows(*this), quality);
}

int CDib::saveAs(const CString& fileName, const char* format, int quality)
{
    const PictureFormat* named = FormatNamed(format);
    if (!named) {
        errno = ENOSYS;
        return 0;
    }
    return SaveAs(fileName, *named, quality);
}

int CDib::SaveBmp(const CString& fileName)
{
    return saveAs(fileName, "BMP", 0);
}

int CDib::SaveJpeg(const CString& fileName, int quality)
{
    return saveAs(fileName, "JPEG", quality);
}

int CDib::SavePng(const CString& fileName)
{
    return saveAs(fileName, "PNG", 0);
}
