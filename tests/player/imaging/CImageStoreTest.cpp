#include "player/imaging/store/CImageStore.h"
#include "player/imaging/store/CDib.h"

#include "player/imaging/store/CDibImage.h"

#include "tests/TempDir.h"
#include "tests/player/imaging/PictureFiles.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<IImage> picture(CImageStore& store, COLORREF colour)
{
    std::unique_ptr<IImage> image = store.CreateImage(4, 4);
    image->Fill(colour);
    return image;
}

TEST(CImageStoreTest, CreatedPicturesAreBlackAndBounded)
{
    CImageStore store;
    std::unique_ptr<IImage> image = store.CreateImage(320, 240);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth(), 320);
    EXPECT_EQ(image->GetPixel(319, 239), 0u);
    EXPECT_EQ(store.GetImageCount(), 0) << "not entered in the store";
    EXPECT_EQ(store.CreateImage(65536, 10), nullptr);
    EXPECT_EQ(store.CreateImage(16385, 16384), nullptr);
    EXPECT_EQ(store.CreateImage(0, 0), nullptr);
}

TEST(CImageStoreTest, NamesMatchExactlyAndTheFirstWins)
{
    CImageStore store;
    std::unique_ptr<IImage> first = picture(store, RGB(255, 0, 0));
    IImage* firstSeen = first.get();
    EXPECT_EQ(store.AddImage("RENDER", std::move(first)), 1);
    EXPECT_EQ(store.AddImage("RENDER", picture(store, RGB(0, 255, 0))), 1);
    EXPECT_EQ(store.GetImageCount(), 2);
    EXPECT_EQ(store.GetImage("RENDER"), firstSeen);
    EXPECT_EQ(store.GetImage("render"), nullptr);
    EXPECT_EQ(store.GetImage("RENDER "), nullptr);

    EXPECT_EQ(store.RemoveImage("RENDER"), 1);
    ASSERT_NE(store.GetImage("RENDER"), nullptr);
    EXPECT_EQ(store.GetImage("RENDER")->GetPixel(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(store.RemoveImage("RENDER"), 1);
    EXPECT_EQ(store.RemoveImage("RENDER"), 0);
    EXPECT_EQ(store.GetImageCount(), 0);
}

TEST(CImageStoreTest, IndicesOutOfRangeGiveNothing)
{
    CImageStore store;
    store.AddImage("A", picture(store, 0));
    store.AddImage("B", picture(store, 0));
    EXPECT_EQ(store.GetImageName(1), "B");
    for (int index : { -1, 2, 1 << 30 }) {
        EXPECT_EQ(store.GetImageAt(index), nullptr);
        EXPECT_EQ(store.GetImageName(index), "");
        EXPECT_EQ(store.SetImageName(index, "C"), 0);
    }
    EXPECT_EQ(store.SetImageName(0, "C"), 1);
    EXPECT_EQ(store.RenameImage("B", "D"), 1);
    EXPECT_EQ(store.RenameImage("B", "E"), 0);
    EXPECT_EQ(store.GetImageName(0), "C");
    EXPECT_EQ(store.GetImageAt(1), store.GetImage("D"));
}

TEST(CImageStoreTest, DetachedPictureStaysUsable)
{
    CImageStore store;
    store.AddImage("BACKGROUND", picture(store, RGB(1, 2, 3)));
    store.AddImage("RENDER", picture(store, 0));
    IImage* seen = store.GetImage("BACKGROUND");
    std::unique_ptr<IImage> detached = store.DetachImage("BACKGROUND");
    ASSERT_EQ(detached.get(), seen);
    EXPECT_EQ(store.GetImageCount(), 1);
    EXPECT_EQ(store.GetImageName(0), "RENDER") << "later entries move down";
    EXPECT_EQ(detached->GetPixel(3, 3), RGB(1, 2, 3));
    detached->SetPixel(0, 0, RGB(4, 5, 6));
    EXPECT_EQ(detached->GetPixel(0, 0), RGB(4, 5, 6));
    EXPECT_EQ(store.DetachImage("BACKGROUND"), nullptr);
}

TEST(CImageStoreTest, CanvasDrawingReachesThePictureOnRelease)
{
    CDibImage image;
    IImageCanvas* canvas = image.GetCanvas();
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(image.GetCanvas(), canvas) << "the open canvas is handed out again";
    canvas->SetPixel(2, 3, RGB(9, 8, 7));
    EXPECT_EQ(image.GetPixel(2, 3), 0u) << "the picture is untouched until release";
    image.ReleaseCanvas();
    EXPECT_EQ(image.GetPixel(2, 3), RGB(9, 8, 7));
    const std::uint32_t shown = image.GetBitmap()->GetBits()[3 * image.GetBitmap()->GetStride() + 2];
    EXPECT_EQ(shown, 0xFF090807u) << "and its display copy is rebuilt";
    image.ReleaseCanvas(); // nothing open: nothing happens
    EXPECT_EQ(image.GetPixel(2, 3), RGB(9, 8, 7));
}

TEST(CImageStoreTest, DestroyingAPictureCommitsItsOpenCanvas)
{
    CImageStore store;
    store.AddImage("RENDER", picture(store, 0));
    IImageCanvas* canvas = store.GetImage("RENDER")->GetCanvas();
    canvas->FillRect(0, 0, 4, 4, RGB(255, 0, 0), RGB(255, 0, 0));
    std::unique_ptr<IImage> detached = store.DetachImage("RENDER");
    // A picture keeps its canvas while it changes hands; destroying it commits and frees both.
    auto& dib = static_cast<CDibImage&>(*detached).GetDib();
    EXPECT_EQ(dib.GetPixel(0, 0), 0u);
    detached->ReleaseCanvas();
    EXPECT_EQ(dib.GetPixel(0, 0), RGB(255, 0, 0));
    detached->GetCanvas()->SetPixel(1, 1, RGB(0, 0, 255));
    detached.reset(); // with its canvas open

    store.AddImage("OPEN", picture(store, 0));
    store.GetImage("OPEN")->GetCanvas()->SetPixel(0, 0, RGB(1, 1, 1));
    // The store's destructor destroys it with the canvas still open.
}

TEST(CImageStoreTest, PalettePictureThroughACanvasBecomesBlack24Bit)
{
    CDibImage image;
    EXPECT_EQ(image.LoadFile("/nonexistent/mirrim_no_such_picture.bmp"), 0);
    ASSERT_EQ(image.GetDib().GetBitCount(), 8);
    image.GetCanvas();
    image.ReleaseCanvas();
    EXPECT_EQ(image.GetDib().GetBitCount(), 24);
    EXPECT_EQ(image.GetWidth(), 10);
    EXPECT_EQ(image.SetPixel(1, 1, RGB(1, 2, 3)), 1);
}

// Scene pictures come through the store: each format reads with its colours, whatever the file's name.
TEST(CImageStoreTest, EveryFormatGivesItsColours)
{
    TempDir dir;
    CDib source;
    source.Create(16, 16);
    source.Fill(RGB(250, 10, 10));
    ASSERT_EQ(source.SaveBmp(dir.file("a.jpg").c_str()), 1);
    ASSERT_EQ(source.SaveJpeg(dir.file("b.png").c_str(), 95), 1);
    ASSERT_EQ(source.SavePng(dir.file("c.bmp").c_str()), 1);
    CImageStore store;
    for (const char* name : { "a.jpg", "b.png", "c.bmp" }) {
        std::unique_ptr<IImage> image = store.CreateImageFromFile(dir.file(name).c_str());
        ASSERT_EQ(image->GetWidth(), 16) << name;
        const COLORREF colour = image->GetPixel(8, 8);
        EXPECT_GT(GetRValue(colour), 240) << name;
        EXPECT_LT(GetGValue(colour), 20) << name;
    }
}

// The picture steps read the real colours of a BMP of any depth, not black for all but 24 bits.
TEST(CImageStoreTest, BmpOfEveryDepthGivesItsColours)
{
    struct Case {
        int bits;
        std::vector<std::uint8_t> row; // two pixels, unpadded
        COLORREF left, right;
    };
    const COLORREF one = RGB(0xC0, 0x80, 0x40);
    const COLORREF zero = RGB(0x10, 0x20, 0x30);
    const std::vector<Case> cases = {
        { 1, { 0x80 }, one, zero },
        { 2, { 0x40 }, one, zero },
        { 4, { 0x10 }, one, zero },
        { 8, { 1, 0 }, one, zero },
        { 16, { 0x00, 0x7C, 0xFF, 0x03 }, RGB(255, 0, 0), RGB(0, 255, 255) }, // 5-5-5
        { 24, { 0x40, 0x80, 0xC0, 0x30, 0x20, 0x10 }, one, zero },
        { 32, { 0x40, 0x80, 0xC0, 0, 0x30, 0x20, 0x10, 0 }, one, zero },
    };
    TempDir dir;
    CImageStore store;
    for (const Case& c : cases) {
        const std::uint32_t colours = c.bits <= 8 ? 2 : 0;
        std::vector<std::uint8_t> file = { 'B', 'M' };
        picturefiles::put32(file, 14 + 40 + 4 * colours + 8);
        picturefiles::put32(file, 0);
        picturefiles::put32(file, 14 + 40 + 4 * colours);
        for (std::uint32_t field : { 40u, 2u, 1u })
            picturefiles::put32(file, field); // header size, width, height
        picturefiles::put16(file, 1);
        picturefiles::put16(file, static_cast<std::uint16_t>(c.bits));
        for (std::uint32_t field : { 0u, 0u, 2835u, 2835u, colours, 0u })
            picturefiles::put32(file, field);
        if (colours) {
            picturefiles::put32(file, 0x00102030);
            picturefiles::put32(file, 0x00C08040);
        }
        std::vector<std::uint8_t> row = c.row;
        row.resize(8, 0);
        file.insert(file.end(), row.begin(), row.end());
        const std::string path = dir.file(std::to_string(c.bits) + ".bmp");
        ASSERT_TRUE(picturefiles::WriteFile(path, file));
        std::unique_ptr<IImage> image = store.CreateImageFromFile(path.c_str());
        ASSERT_EQ(image->GetWidth(), 2) << c.bits;
        EXPECT_EQ(image->GetPixel(0, 0), c.left) << c.bits << " bits";
        EXPECT_EQ(image->GetPixel(1, 0), c.right) << c.bits << " bits";
    }
}

TEST(CImageStoreTest, MissingFileStillGivesAPicture)
{
    CImageStore store;
    std::unique_ptr<IImage> image = store.CreateImageFromFile("/nonexistent/mirrim_missing.jpg");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth(), 10);
    EXPECT_EQ(image->GetPixel(0, 0), 0u);
}

} // namespace
