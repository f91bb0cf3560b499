#include "player/imaging/store/CDib.h"

#include "tests/player/imaging/PictureFiles.h"

#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::uint32_t headerField(const CDib& dib, std::size_t offset)
{
    const std::uint8_t* p = dib.GetBlock().data() + offset;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string tempPath(const char* name)
{
    static TempDir dir; // one per test process: CTest runs tests side by side
    return dir.file(name);
}

// Surface pixel (0xFFRRGGBB) of the display copy, for checking what the screen would show.
std::uint32_t shown(CDib& dib, int x, int y)
{
    CDC* dc = dib.GetBitmap();
    return dc->GetBits()[static_cast<std::size_t>(y) * dc->GetStride() + x];
}

TEST(CDibTest, RowsArePaddedToFourBytes)
{
    CDib dib; // 10x10 to start with
    EXPECT_EQ(dib.GetWidth(), 10);
    EXPECT_EQ(dib.GetBitCount(), 24);
    EXPECT_EQ(dib.GetRowLength(), 32u);
    EXPECT_EQ(headerField(dib, 20), 320u);
    EXPECT_EQ(dib.GetBlock().size(), 40u + 320u);

    ASSERT_EQ(dib.Create(320, 240), 1);
    EXPECT_EQ(dib.GetRowLength(), 960u);
    EXPECT_EQ(headerField(dib, 20), 230400u);
    EXPECT_EQ(headerField(dib, 24), 3780u);
}

TEST(CDibTest, TopLeftPixelIsAtTheStartOfTheLastStoredRow)
{
    CDib dib;
    dib.SetPixel(0, 0, RGB(255, 0, 0));
    dib.SetPixel(0, 9, RGB(1, 2, 3));
    ASSERT_EQ(dib.GetBits(), nullptr) << "the block is only handed out inside a run";
    ASSERT_EQ(dib.Lock(), 1);
    const std::uint8_t* rows = dib.GetBits() + 40;
    const std::uint8_t* lastRow = rows + 9 * 32;
    EXPECT_EQ(lastRow[0], 0x00);
    EXPECT_EQ(lastRow[1], 0x00);
    EXPECT_EQ(lastRow[2], 0xFF);
    EXPECT_EQ(rows[0], 3); // blue, green, red
    EXPECT_EQ(rows[1], 2);
    EXPECT_EQ(rows[2], 1);
    dib.Unlock();
    EXPECT_EQ(dib.GetPixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(shown(dib, 0, 0), 0xFFFF0000u);
}

TEST(CDibTest, OutsideThePictureReadsGreyAndIgnoresWrites)
{
    CDib dib;
    dib.Fill(RGB(10, 20, 30));
    const std::vector<std::uint8_t> before = dib.GetBlock();
    for (auto [x, y] : { std::pair { -1, 0 }, { 10, 0 }, { 0, 10 }, { 0, -1 }, { INT32_MIN, INT32_MAX } }) {
        EXPECT_EQ(dib.GetPixel(x, y), 0x808080u) << x << "," << y;
        EXPECT_EQ(dib.SetPixel(x, y, RGB(255, 255, 255)), 0);
    }
    EXPECT_EQ(dib.GetBlock(), before);
    EXPECT_EQ(dib.GetPixel(9, 9), RGB(10, 20, 30));
}

TEST(CDibTest, FillLeavesRowPaddingAlone)
{
    CDib dib;
    dib.Fill(RGB(255, 255, 255));
    const std::vector<std::uint8_t>& block = dib.GetBlock();
    for (int row = 0; row < 10; ++row) {
        EXPECT_EQ(block[40 + row * 32 + 29], 0xFF);
        EXPECT_EQ(block[40 + row * 32 + 30], 0x00);
        EXPECT_EQ(block[40 + row * 32 + 31], 0x00);
    }
    EXPECT_EQ(dib.GetPixel(0, 0), RGB(255, 255, 255));
}

TEST(CDibTest, DisplayCopyCatchesUpOnlyAtItsNextRebuild)
{
    CDib dib;
    ASSERT_EQ(dib.Lock(), 1);
    dib.Fill(RGB(255, 0, 0)); // ends the run
    EXPECT_FALSE(dib.IsLocked());
    dib.SetPixel(1, 1, RGB(0, 0, 255));
    EXPECT_EQ(dib.Unlock(), 1); // nothing to end
    EXPECT_EQ(dib.GetPixel(1, 1), RGB(0, 0, 255));
    EXPECT_EQ(shown(dib, 1, 1), 0xFFFF0000u) << "the display copy still shows the fill";

    dib.Lock();
    dib.Unlock();
    EXPECT_EQ(shown(dib, 1, 1), 0xFF0000FFu);
}

// Drawing straight into the rows shows once committed, however the display copy is next reached, and a
// later plain write still waits for the next rebuild, as after any other commit.
TEST(CDibTest, CommittedDirectDrawingShowsAndLaterWritesWait)
{
    auto drawRed = [](CDib& dib) {
        const PixelRows rows = dib.Rows();
        ASSERT_FALSE(rows.isEmpty());
        std::uint8_t* p = rows.pixelBytes(1, 1);
        p[0] = 0;
        p[1] = 0;
        p[2] = 255;
        dib.CommitDrawing();
    };
    CDib dib;
    drawRed(dib);
    EXPECT_EQ(shown(dib, 1, 1), 0xFFFF0000u);

    drawRed(dib);
    CDC dc(10, 10);
    ASSERT_EQ(dib.Draw(&dc, 0, 0, 10, 10), 1);
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(255, 0, 0));

    CDib later;
    drawRed(later);
    later.SetPixel(1, 1, RGB(0, 255, 0));
    EXPECT_EQ(shown(later, 1, 1), 0xFFFF0000u) << "the plain write waits for the next rebuild";
    later.Lock();
    later.Unlock();
    EXPECT_EQ(shown(later, 1, 1), 0xFF00FF00u);
}

TEST(CDibTest, RunsDoNotNest)
{
    CDib dib;
    EXPECT_EQ(dib.Lock(), 1);
    EXPECT_EQ(dib.Lock(), 1);
    dib.SetPixel(0, 0, RGB(0, 255, 0));
    EXPECT_EQ(dib.Unlock(), 1);
    EXPECT_FALSE(dib.IsLocked());
    EXPECT_EQ(shown(dib, 0, 0), 0xFF00FF00u);
}

TEST(CDibTest, DrawCopiesTheDisplayCopyButNotWhileLocked)
{
    CDib dib;
    dib.Create(2, 2);
    dib.Fill(RGB(0, 0, 255));
    CDC dc(4, 4);
    dib.Lock();
    EXPECT_EQ(dib.Draw(&dc, 1, 1, 2, 2), 0);
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(0, 0, 0));
    dib.Unlock();
    EXPECT_EQ(dib.Draw(nullptr, 0, 0, 2, 2), 0);
    EXPECT_EQ(dib.Draw(&dc, 1, 1, 2, 2), 1);
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(2, 2), RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(3, 3), RGB(0, 0, 0));
}

TEST(CDibTest, TileRepeatsFromTheStartWhileBelowTheEnd)
{
    CDib tile;
    tile.Create(128, 128);
    tile.SetPixel(0, 0, RGB(255, 0, 0));
    tile.Lock();
    tile.Unlock();
    CDC dc(400, 300);
    dc.FillSolidRect(0, 0, 400, 300, RGB(255, 255, 255));
    ASSERT_EQ(tile.Tile(&dc, 0, 0, 300, 200), 1);
    for (int y : { 0, 128 })
        for (int x : { 0, 128, 256 })
            EXPECT_EQ(dc.GetPixel(x, y), RGB(255, 0, 0)) << x << "," << y;
    EXPECT_EQ(dc.GetPixel(383, 255), RGB(0, 0, 0)) << "the last tiles run past the end";
    EXPECT_EQ(dc.GetPixel(384, 0), RGB(255, 255, 255)) << "no fourth column";
    EXPECT_EQ(dc.GetPixel(0, 256), RGB(255, 255, 255)) << "no third row";

    tile.Lock();
    EXPECT_EQ(tile.Tile(&dc, 0, 0, 300, 200), 0);
}

TEST(CDibTest, TileOverAHugeRangeCostsOnlyTheSurface)
{
    CDib dot;
    dot.Create(1, 1);
    dot.Fill(RGB(0, 255, 0));
    CDC dc(8, 8);
    EXPECT_EQ(dot.Tile(&dc, INT32_MIN, INT32_MIN + 3, INT32_MAX, INT32_MAX), 1);
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(dc.GetPixel(7, 7), RGB(0, 255, 0));
}

TEST(CDibTest, PictureBeyondTheBudgetHasNoBlock)
{
    CDib dib;
    for (auto [w, h] :
        { std::pair { 65536, 1 }, { 1, 65536 }, { 16385, 16384 }, { 0, 10 }, { -5, 10 }, { INT32_MAX, INT32_MAX } }) {
        EXPECT_EQ(dib.Create(w, h), 0) << w << "x" << h;
        EXPECT_EQ(dib.GetWidth(), 0);
        EXPECT_EQ(dib.GetHeight(), 0);
        EXPECT_EQ(dib.GetBitCount(), 0);
        EXPECT_EQ(dib.GetPixel(0, 0), 0x808080u);
        EXPECT_EQ(dib.SetPixel(0, 0, 0), 0);
        EXPECT_EQ(dib.Lock(), 0);
        EXPECT_EQ(dib.Unlock(), 0);
        EXPECT_EQ(dib.GetBitmap(), nullptr);
        CDC dc(4, 4);
        EXPECT_EQ(dib.Tile(&dc, 0, 0, 4, 4), 0);
        CDib target;
        EXPECT_EQ(dib.CopyTo(target), 0);
        EXPECT_EQ(target.GetWidth(), 0);
    }
    // The thin ends of the budget, 65535 a side, and a 64-megapixel square.
    for (auto [w, h] : { std::pair { 65535, 40 }, { 40, 65535 }, { 8192, 8192 } }) {
        EXPECT_EQ(dib.Create(w, h), 1) << w << "x" << h;
        EXPECT_EQ(dib.GetWidth(), w);
        ASSERT_NE(dib.GetBitmap(), nullptr);
        EXPECT_EQ(dib.GetBitmap()->GetWidth(), w);
    }
}

TEST(CDibTest, LoadPlaceholdersTellMissingFromUnreadable)
{
    CDib dib;
    dib.Create(3, 3);
    EXPECT_EQ(dib.Load(""), 0);
    EXPECT_EQ(dib.GetWidth(), 3) << "an empty name leaves the picture alone";
    EXPECT_EQ(dib.LoadFailed(), 0);

    EXPECT_EQ(dib.Load(tempPath("no_such_file.jpg").c_str()), 0);
    EXPECT_EQ(dib.LoadFailed(), 1);
    EXPECT_EQ(dib.GetWidth(), 10);
    EXPECT_EQ(dib.GetBitCount(), 8);
    EXPECT_EQ(dib.GetPixel(4, 4), 0u);
    EXPECT_EQ(dib.SetPixel(4, 4, RGB(255, 255, 255)), 0);
    dib.Fill(RGB(255, 255, 255));
    EXPECT_EQ(dib.GetPixel(4, 4), 0u);
    EXPECT_EQ(shown(dib, 4, 4), 0xFF000000u);
    EXPECT_EQ(dib.UpdateFromBitmap(), 0) << "only 24-bit pictures re-read their display copy";

    const std::string junk = tempPath("junk.bmp");
    std::FILE* f = std::fopen(junk.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("this is not a picture", f);
    std::fclose(f);
    EXPECT_EQ(dib.Load(junk.c_str()), 0);
    EXPECT_EQ(dib.LoadFailed(), 1);
    EXPECT_EQ(dib.GetWidth(), 10);
    EXPECT_EQ(dib.GetBitCount(), 24);
    EXPECT_EQ(dib.SetPixel(4, 4, RGB(1, 2, 3)), 1);
    std::remove(junk.c_str());
}

TEST(CDibTest, CopyOfAPalettePictureIsBlack24Bit)
{
    CDib palette;
    palette.Load(tempPath("missing.gif").c_str()); // 10x10, 8 bits
    ASSERT_EQ(palette.GetBitCount(), 8);
    CDib target;
    target.Fill(RGB(255, 255, 255));
    EXPECT_EQ(palette.CopyTo(target), 1);
    EXPECT_EQ(target.GetBitCount(), 24);
    EXPECT_EQ(target.GetWidth(), 10);
    EXPECT_EQ(target.GetPixel(5, 5), 0u);
    EXPECT_EQ(target.LoadFailed(), 1);

    CDib source;
    source.Create(3, 2);
    source.SetPixel(2, 1, RGB(7, 8, 9));
    EXPECT_EQ(source.CopyTo(target), 1);
    EXPECT_EQ(target.GetWidth(), 3);
    EXPECT_EQ(target.GetPixel(2, 1), RGB(7, 8, 9));
    EXPECT_EQ(shown(target, 2, 1), 0xFF070809u) << "the copy's display copy is rebuilt";
    EXPECT_EQ(target.LoadFailed(), 0);
}

// A canvas is copied in and out of the same pictures every frame, so a copy reuses what its target
// had: none of that may show through.
TEST(CDibTest, CopyIntoAPictureInUseReplacesAllOfIt)
{
    CDib target;
    target.Create(40, 30);
    target.Lock();
    target.SetPixel(1, 1, RGB(255, 255, 255));
    CDib small;
    small.Create(3, 2);
    small.SetPixel(2, 1, RGB(7, 8, 9));
    ASSERT_EQ(small.CopyTo(target), 1);
    EXPECT_FALSE(target.IsLocked());
    EXPECT_EQ(target.GetBlock(), small.GetBlock());
    EXPECT_EQ(target.GetHeight(), 2);
    EXPECT_EQ(target.GetPixel(1, 1), 0u);
    EXPECT_EQ(target.GetBitmap()->GetWidth(), 3);
    EXPECT_EQ(shown(target, 2, 1), 0xFF070809u);

    CDib large;
    large.Create(50, 40);
    large.SetPixel(49, 39, RGB(1, 2, 3));
    ASSERT_EQ(large.CopyTo(target), 1);
    EXPECT_EQ(target.GetWidth(), 50);
    EXPECT_EQ(target.GetPixel(49, 39), RGB(1, 2, 3));
    EXPECT_EQ(shown(target, 49, 39), 0xFF010203u);
    EXPECT_EQ(target.SetPixel(50, 0, 0), 0) << "the new size bounds the writes";
}

TEST(CDibTest, UpdateFromBitmapReadsWhatWasDrawn)
{
    CDib dib;
    dib.Create(4, 3);
    dib.GetBitmap()->FillSolidRect(1, 1, 2, 1, RGB(200, 100, 50));
    EXPECT_EQ(dib.GetPixel(1, 1), 0u);
    EXPECT_EQ(dib.UpdateFromBitmap(), 1);
    EXPECT_EQ(dib.GetPixel(1, 1), RGB(200, 100, 50));
    EXPECT_EQ(dib.GetPixel(2, 1), RGB(200, 100, 50));
    EXPECT_EQ(dib.GetPixel(3, 1), 0u);
    EXPECT_EQ(dib.GetPixel(1, 2), 0u);
}

} // namespace

namespace {

using picturefiles::Bmp8;

TEST(CDibFileTest, PaletteBmpReadsItsColoursButTakesNoWrites)
{
    const std::string path = tempPath("palette.bmp");
    // Indices 2 and 255 lie beyond the two-entry table the file gives: they show black.
    ASSERT_TRUE(picturefiles::WriteFile(path, Bmp8(3, { 0x00FF0000, 0x0000FF00 }, { { 0, 1, 2 }, { 255, 1, 0 } })));
    CDib dib;
    ASSERT_EQ(dib.Load(path.c_str()), 1);
    EXPECT_EQ(dib.LoadFailed(), 0);
    EXPECT_EQ(dib.GetBitCount(), 8);
    EXPECT_EQ(dib.GetWidth(), 3);
    EXPECT_EQ(dib.GetHeight(), 2);
    EXPECT_EQ(shown(dib, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(shown(dib, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(shown(dib, 2, 0), 0xFF000000u);
    EXPECT_EQ(shown(dib, 0, 1), 0xFF000000u);
    EXPECT_EQ(shown(dib, 2, 1), 0xFFFF0000u);
    EXPECT_EQ(dib.GetPixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(dib.GetPixel(1, 1), RGB(0, 255, 0));
    EXPECT_EQ(dib.GetPixel(0, 1), 0u);
    const std::vector<std::uint8_t> before = dib.GetBlock();
    dib.SetPixel(0, 0, RGB(1, 2, 3));
    dib.Fill(RGB(1, 2, 3));
    EXPECT_EQ(dib.GetBlock(), before);
    std::remove(path.c_str());
}

TEST(CDibFileTest, BmpSavedAndLoadedIsTheSameBlock)
{
    CDib dib;
    dib.Create(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            dib.SetPixel(x, y, RGB(x * 50, y * 100, 7));
    const std::string path = tempPath("round.bmp");
    ASSERT_EQ(dib.SaveBmp(path.c_str()), 1);
    const std::vector<std::uint8_t> file = picturefiles::ReadFile(path);
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[10], 54) << "bits right after the header";
    CDib back;
    ASSERT_EQ(back.Load(path.c_str()), 1);
    EXPECT_EQ(back.GetWidth(), 5);
    EXPECT_EQ(back.GetPixel(4, 2), RGB(200, 200, 7));
    EXPECT_EQ(back.GetPixel(0, 0), RGB(0, 0, 7));
    EXPECT_EQ(shown(back, 4, 2), 0xFFC8C807u);
    std::remove(path.c_str());
}

TEST(CDibFileTest, JpegSavedAndLoadedKeepsItsColoursAndOrientation)
{
    CDib dib;
    dib.Create(32, 16);
    dib.Fill(RGB(0, 0, 255));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 32; ++x)
            dib.SetPixel(x, y, RGB(255, 0, 0)); // top half red
    const std::string path = tempPath("round.jpg");
    ASSERT_EQ(dib.SaveJpeg(path.c_str(), 100), 1);
    CDib back;
    ASSERT_EQ(back.Load(path.c_str()), 1);
    ASSERT_EQ(back.GetWidth(), 32);
    ASSERT_EQ(back.GetHeight(), 16);
    const COLORREF top = back.GetPixel(3, 2);
    const COLORREF bottom = back.GetPixel(3, 13);
    EXPECT_GT(GetRValue(top), 240);
    EXPECT_LT(GetBValue(top), 15);
    EXPECT_GT(GetBValue(bottom), 240);
    EXPECT_LT(GetRValue(bottom), 15);

    std::remove(path.c_str());
}

} // namespace
