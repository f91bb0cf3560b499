#include "player/app/window/SnapshotFile.h"

#include "particle/core/IImage.h"

bool IsJpegFileName(const CString& path)
{
    // The extension belongs to the file name, not to a directory with a dot in its name.
    const int slash = path.ReverseFind('/');
    const int dot = path.ReverseFind('.');
    if (dot < 0 || dot < slash)
        return false;
    const CString extension = path.Mid(dot + 1);
    return extension == "jpg" || extension == "jpeg";
}

unsigned char SaveSnapshot(IImage& picture, const CString& path)
{
    return IsJpegFileName(path) ? picture.SaveJpegFile(path, 100) : picture.SaveBitmapFile(path);
}
