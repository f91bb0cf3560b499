#pragma once

#include "particle/core/IImage.h"
#include "platform/CDC.h"

#include <memory>
#include <vector>

// A picture of a given size and colour that records how it was saved.
class FakeImage : public IImage {
public:
    FakeImage(int width, int height, COLORREF colour)
        : bitmap_(width, height)
    {
        bitmap_.FillSolidRect(0, 0, width, height, colour);
    }
    COLORREF GetPixel(int x, int y) override { return bitmap_.GetPixel(x, y); }
    int SetPixel(int x, int y, COLORREF colour) override
    {
        bitmap_.SetPixel(x, y, colour);
        return 1;
    }
    int GetWidth() override { return bitmap_.GetWidth(); }
    int GetHeight() override { return bitmap_.GetHeight(); }
    IImageCanvas* GetCanvas() override { return nullptr; }
    void ReleaseCanvas() override { }
    void Fill(COLORREF colour) override { bitmap_.FillSolidRect(0, 0, GetWidth(), GetHeight(), colour); }
    CDC* GetBitmap() override { return &bitmap_; }
    int UpdateFromBitmap() override { return 1; }
    unsigned char SaveBitmapFile(CString fileName) override
    {
        saves.push_back({ "bmp", fileName, 0 });
        return 1;
    }
    unsigned char SaveJpegFile(CString fileName, int quality) override
    {
        saves.push_back({ "jpeg", fileName, quality });
        return 1;
    }
    unsigned char LoadFile(CString) override { return 0; }

    struct Save {
        CString format;
        CString fileName;
        int quality;
    };
    std::vector<Save> saves;

private:
    CDC bitmap_;
};
