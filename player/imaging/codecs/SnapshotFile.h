#pragma once

#include "particle/core/IImage.h"
#include "platform/CString.h"

// Snapshots are saved as JPEG (quality 100) when the file's extension is exactly "jpg" or "jpeg", as PNG
// when it is exactly "png", in lower case; every other name, capitals included, gets a BMP file.
bool WantsJpeg(const CString& path);
bool WantsPng(const CString& path);
// Saves the picture by that rule (a PNG of the colours it shows); 1 when written, otherwise 0 with errno
// saying why (DescribeSaveFailure in PictureFormats.h makes it a message).
int SavePictureAs(IImage& picture, const CString& path);
