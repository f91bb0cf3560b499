#include "player/imaging/store/CDibImage.h"

CDibImage::~CDibImage()
{
    ReleaseCanvas();
}

int CDibImage::Lock()
{
    return dib_.Lock();
}

int CDibImage::Unlock()
{
    return dib_.Unlock();
}

COLORREF CDibImage::GetPixel(int x, int y)
{
    return dib_.GetPixel(x, y);
}

int CDibImage::SetPixel(int x, int y, COLORREF color)
{
    return dib_.SetPixel(x, y, color);
}

int CDibImage::GetWidth()
{
    return dib_.GetWidth();
}

int CDibImage::GetHeight()
{
    return dib_.GetHeight();
}

IImageCanvas* CDibImage::GetCanvas()
{
    if (!canvas_) {
        canvas_ = std::make_unique<CImageCanvas>();
        dib_.CopyTo(canvas_->GetDib());
    }
    return canvas_.get();
}

void CDibImage::ReleaseCanvas()
{
    if (!canvas_)
        return;
    canvas_->GetDib().CopyTo(dib_);
    canvas_.reset();
}

void CDibImage::Fill(COLORREF color)
{
    dib_.Fill(color);
}

CDC* CDibImage::GetBitmap()
{
    return dib_.GetBitmap();
}

int CDibImage::UpdateFromBitmap()
{
    return dib_.UpdateFromBitmap();
}

unsigned char CDibImage::SaveBitmapFile(CString fileName)
{
    return dib_.SaveBmp(fileName) ? 1 : 0;
}

unsigned char CDibImage::SaveJpegFile(CString fileName, int quality)
{
    return dib_.SaveJpeg(fileName, quality) ? 1 : 0;
}

unsigned char CDibImage::LoadFile(CString fileName)
{
    return dib_.Load(fileName) ? 1 : 0;
}

PixelRows CDibImage::BeginDirectDrawing()
{
    return canvas_ ? PixelRows() : dib_.Rows();
}

void CDibImage::EndDirectDrawing()
{
    dib_.CommitDrawing();
}
