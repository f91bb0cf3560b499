#pragma once

#include "particle/ParticleExport.h"

#include "platform/CString.h"
#include "platform/Colour.h"

class CDC;
class IImageCanvas;

// One 24-bit picture of the host, addressed from its top-left pixel. Runs of pixel access are bracketed
// by Lock and Unlock. Reads outside the picture give 0x808080; writes outside it are ignored.
class PARTICLE_EXPORT IImage {
public:
    virtual int Lock() { return 0; }
    virtual int Unlock() { return 0; }
    virtual COLORREF GetPixel(int x, int y) = 0;
    virtual int SetPixel(int x, int y, COLORREF color) = 0;
    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    // Opens a drawing surface on the picture, or returns the one already open. It stays the picture's.
    virtual IImageCanvas* GetCanvas() = 0;
    // Commits the open canvas into the picture and closes it.
    virtual void ReleaseCanvas() = 0;
    virtual void Fill(COLORREF color) = 0;
    // The display copy, for the host's own drawing and copying; owned by the picture.
    virtual CDC* GetBitmap() = 0;
    // Rebuilds the pixels from the display copy after the host drew on it; 1 on success.
    virtual int UpdateFromBitmap() = 0;
    virtual unsigned char SaveBitmapFile(CString fileName) = 0;
    virtual unsigned char SaveJpegFile(CString fileName, int quality) = 0;
    // 1 if the file was read; otherwise 0 and a placeholder picture.
    virtual unsigned char LoadFile(CString fileName) = 0;
    virtual ~IImage() = default;
};
