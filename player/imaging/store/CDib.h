#pragma once

#include "particle/core/PixelRows.h"
#include "platform/CDC.h"
#include "platform/CString.h"
#include "platform/Colour.h"
#include "player/imaging/codecs/PictureFormats.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A device-independent bitmap: one packed block in the Windows DIB layout (40-byte information header,
// colour table, rows stored bottom-up and padded to 4 bytes) plus a display copy, a 32-bit surface that
// windows and the recorder copy from and draw on.
//
// Pixel writes outside a Lock/Unlock run change the block only; the display copy catches up at its next
// rebuild (Unlock of a run, Fill, Create, CopyTo, Load, UpdateFromBitmap, CommitDrawing). Lock and Unlock
// only mark the run: ordinary memory needs no pinning. The rebuild that CommitDrawing asks for is made
// when the display copy is next used, or before the block next changes some other way, so a step that
// draws on a picture nobody looks at pays no copy and what is shown is the same.
//
// A picture read from a BMP file keeps the file's depth and compression; it shows, and reads, the colours
// its pixels stand for (DibPixels.h), but only a 24-bit picture takes writes.
//
// Every picture fits the pixel budget (platform/PixelBudget.h). One that cannot be made has no block:
// width, height and bit count 0, reads give mid grey, writes do nothing. A block read from a file is
// checked before any pixel is touched; one whose rows do not fit in it has no pixels to read or show.
class CDib {
public:
    static constexpr COLORREF kNoPixel = 0x808080;

    // A 10x10 black 24-bit picture.
    CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // Replaces the picture by a black 24-bit one; 0 (and no block) when that size cannot be made.
    int Create(int width, int height);

    int Lock();
    // Ends a run and rebuilds the display copy. Runs do not nest: the first Unlock ends it.
    int Unlock();
    bool IsLocked() const { return locked_; }
    // The block while locked; null otherwise.
    std::uint8_t* GetBits();

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    int GetBitCount() const { return bitCount_; }
    // Bytes per stored row; the whole block as the BMP writer and the recorder hand it on.
    std::size_t GetRowLength() const { return rowLength_; }
    const std::vector<std::uint8_t>& GetBlock() const { return block_; }
    // The stored rows (row length x height bytes), as the recorder hands them on; null without pixels.
    const std::uint8_t* GetRows() const { return rows_ ? block_.data() + rowsOffset_ : nullptr; }
    std::size_t GetImageSize() const { return rows_ ? rowLength_ * static_cast<std::size_t>(height_) : 0; }

    // Top-left origin. Outside the picture or without pixels: kNoPixel. A picture that is not 24 bits
    // per pixel reads the colours it shows and ignores writes.
    COLORREF GetPixel(int x, int y) const
    {
        if (!inside(x, y))
            return kNoPixel;
        if (bitCount_ != 24)
            return shownPixel(x, y);
        if (!rows_)
            return kNoPixel;
        const std::uint8_t* p = pixelAt(x, y);
        return RGB(p[2], p[1], p[0]);
    }
    int SetPixel(int x, int y, COLORREF color)
    {
        std::uint8_t* p = PixelBytes(x, y);
        if (!p)
            return 0;
        p[0] = static_cast<std::uint8_t>(GetBValue(color));
        p[1] = static_cast<std::uint8_t>(GetGValue(color));
        p[2] = static_cast<std::uint8_t>(GetRValue(color));
        return 1;
    }
    // The stored blue, green and red bytes of the pixel at (x, y), for drawing code that reads and writes
    // the same pixel; null wherever SetPixel would write nothing (outside, not 24-bit, no pixels).
    std::uint8_t* PixelBytes(int x, int y)
    {
        showLatestDrawing();
        return inside(x, y) && bitCount_ == 24 && rows_ ? pixelAt(x, y) : nullptr;
    }
    // The stored rows of a 24-bit picture, for drawing straight into them; empty for any other picture,
    // where PixelBytes would write nothing either.
    PixelRows Rows()
    {
        if (bitCount_ != 24 || !rows_ || width_ <= 0 || height_ <= 0)
            return {};
        showLatestDrawing();
        return PixelRows(pixelAt(0, 0), -static_cast<std::ptrdiff_t>(rowLength_), width_, height_);
    }
    // After drawing straight into Rows(): what committing a canvas copy of this picture back into it
    // does besides the copy. A run in progress ends and the display copy is due for a rebuild.
    void CommitDrawing();
    // Ends a run in progress; for a 24-bit picture sets every pixel (not the row padding).
    void Fill(COLORREF color);

    // Makes target a copy: same size, 24 bits, this picture's pixels when it is 24-bit (black otherwise),
    // the load-failed flag. 0 when this picture has no block (target then has none either).
    int CopyTo(CDib& target) const;
    // Copies stored rows as they are (bottom-up, padded), at most as many bytes as the rows hold.
    int SetRows(const std::uint8_t* source, std::size_t length);

    // Copies w x h pixels of the display copy, from its top-left corner, to (x, y) of dc. 0 and nothing
    // drawn while locked, without dc or without a display copy.
    int Draw(CDC* dc, int x, int y, int width, int height);
    // Repeats Draw of the whole picture from (x0, y0) while x < x1 and y < y1; the last tiles may
    // extend past. Tiles that would land wholly off dc are skipped.
    int Tile(CDC* dc, int x0, int y0, int x1, int y1);
    // The display copy (owned here); null when the block cannot be shown at all.
    CDC* GetBitmap()
    {
        showLatestDrawing();
        return display_.get();
    }
    const CDC* GetBitmap() const
    {
        showLatestDrawing();
        return display_.get();
    }
    // Re-reads a 24-bit picture's pixels from the display copy after drawing on it; 1 on success.
    int UpdateFromBitmap();

    // Reads the file with the format its content names (PictureFormats.h), whatever the extension. 1
    // when read. An empty name leaves the picture alone; otherwise a failed load leaves a 10x10
    // placeholder: 8-bit with an all-black palette when the file does not exist, black 24-bit otherwise.
    int Load(const CString& fileName);
    int LoadFailed() const { return loadFailed_ ? 1 : 0; }
    // How the last Load went, and why it failed: for messages.
    const PictureFile& LastLoad() const { return lastLoad_; }

    // Writes a file of the format whatever the picture's depth: one that can hold the picture's own
    // block (BMP) keeps it, the others hold the colours shown. 1 when written; otherwise 0 with errno
    // saying why. Ends a run in progress.
    int SaveAs(const CString& fileName, const PictureFormat& format, int quality);
    int SaveBmp(const CString& fileName);
    int SaveJpeg(const CString& fileName, int quality);
    int SavePng(const CString& fileName);

private:
    // Width and height are never negative, so one unsigned comparison per axis covers both ends.
    bool inside(int x, int y) const
    {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width_)
            && static_cast<unsigned>(y) < static_cast<unsigned>(height_);
    }
    std::uint8_t* pixelAt(int x, int y)
    {
        return block_.data() + rowsOffset_ + static_cast<std::size_t>(height_ - 1 - y) * rowLength_
            + static_cast<std::size_t>(x) * 3;
    }
    const std::uint8_t* pixelAt(int x, int y) const { return const_cast<CDib*>(this)->pixelAt(x, y); }

    COLORREF shownPixel(int x, int y) const;

    // Replaces the block and re-reads its layout; the display copy is left for the caller to rebuild.
    void setBlock(std::vector<std::uint8_t> block);
    void clear();
    void readLayout();
    void rebuildDisplay() const;
    // Makes the rebuild a CommitDrawing left due.
    void showLatestDrawing() const
    {
        if (displayDue_)
            rebuildDisplay();
    }
    void makePlaceholder(int bitCount);
    int saveAs(const CString& fileName, const char* format, int quality);

    std::vector<std::uint8_t> block_;
    // The display copy is a cache of what the block shows: kept up to date from const readers too.
    mutable std::unique_ptr<CDC> display_;
    mutable bool displayDue_ = false;
    bool locked_ = false;
    bool loadFailed_ = false;
    PictureFile lastLoad_;

    // Layout of block_, checked once whenever it changes. Without a usable header (40 bytes, size within
    // the picture bounds, colour table inside the block) width, height and bit count are 0.
    bool header_ = false;
    bool rows_ = false; // every stored row lies inside the block
    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 0;
    std::size_t rowLength_ = 0;
    std::size_t rowsOffset_ = 0;
};
