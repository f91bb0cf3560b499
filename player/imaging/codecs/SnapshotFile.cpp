#include "player/imaging/codecs/SnapshotFile.h"

#include "platform/CDC.h"
#include "player/imaging/codecs/PictureFormats.h"

#include <cerrno>

namespace {

// The text after the last dot of the file name; empty when the name has none.
CString Extension(const CString& path)
{
    const int slash = path.ReverseFind('/');
    const int dot = path.ReverseFind('.');
    if (dot < 0 || dot < slash)
        return CString();
    return path.Mid(dot + 1);
}

} // namespace

bool WantsJpeg(const CString& path)
{
    const CString extension = Extension(path);
    return extension == "jpg" || extension == "jpeg";
}

bool WantsPng(const CString& path)
{
    return Extension(path) == "png";
}

int SavePictureAs(IImage& picture, const CString& path)
{
    // Errors on the way say why through errno; a picture that answers 0 without one still failed.
    errno = EIO;
    if (WantsJpeg(path))
        return picture.SaveJpegFile(path, 100);
    if (!WantsPng(path))
        return picture.SaveBitmapFile(path);
    const CDC* shown = picture.GetBitmap();
    const PictureFormat* png = FormatNamed("PNG");
    if (!shown || !png) {
        errno = png ? EINVAL : ENOSYS;
        return 0;
    }
    return SavePicture(path, *png,
        RgbRows(shown->GetBits(), shown->GetWidth(), shown->GetHeight(), static_cast<std::size_t>(shown->GetStride())),
        0);
}
