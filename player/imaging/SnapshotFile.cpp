#include "player/imaging/SnapshotFile.h"

bool WantsJpeg(const CString& path)
{
    const int slash = path.ReverseFind('/');
    const int dot = path.ReverseFind('.');
    if (dot < 0 || dot < slash)
        return false;
    const CString extension = path.Mid(dot + 1);
    return extension == "jpg" || extension == "jpeg";
}

int SavePictureAs(IImage& picture, const CString& path)
{
    return WantsJpeg(path) ? picture.SaveJpegFile(path, 100) : picture.SaveBitmapFile(path);
}
