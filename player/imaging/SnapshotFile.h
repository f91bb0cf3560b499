#pragma once

#include "particle/core/IImage.h"
#include "platform/CString.h"

// Snapshots are saved as JPEG (quality 100) only when the file's extension is exactly "jpg" or "jpeg",
// in lower case; every other name, capitals included, gets a BMP file.
bool WantsJpeg(const CString& path);
// Saves the picture by that rule; 1 when written.
int SavePictureAs(IImage& picture, const CString& path);
