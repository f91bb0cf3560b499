#pragma once

#include "particle/core/IDirectImage.h"
#include "particle/core/IImage.h"
#include "player/imaging/store/CDib.h"
#include "player/imaging/store/CImageCanvas.h"

#include <memory>

// The player's picture: a CDib, and the canvas opened on it, if any. Canvas drawing goes to the
// canvas's own copy and reaches the picture when the canvas is released, or when the picture goes.
// The engine's render step draws straight into the pixels instead while no canvas is open.
class CDibImage final : public IImage, public IDirectImage {
public:
    // A 10x10 black picture.
    CDibImage() = default;
    // Commits an open canvas first, so nothing drawn on it is lost.
    ~CDibImage() override;
    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    int Lock() override;
    int Unlock() override;
    COLORREF GetPixel(int x, int y) override;
    int SetPixel(int x, int y, COLORREF color) override;
    int GetWidth() override;
    int GetHeight() override;
    IImageCanvas* GetCanvas() override;
    void ReleaseCanvas() override;
    void Fill(COLORREF color) override;
    CDC* GetBitmap() override;
    int UpdateFromBitmap() override;
    unsigned char SaveBitmapFile(CString fileName) override;
    unsigned char SaveJpegFile(CString fileName, int quality) override;
    unsigned char LoadFile(CString fileName) override;
    PixelRows BeginDirectDrawing() override;
    void EndDirectDrawing() override;

    CDib& GetDib() { return dib_; }

private:
    CDib dib_;
    std::unique_ptr<CImageCanvas> canvas_;
};
