#pragma once

#include "platform/CString.h"

class IImage;

// Snapshots are written as JPEG at quality 100 when the file's extension is exactly "jpg" or "jpeg"
// (so "JPG" is not), and as a Windows bitmap otherwise.
bool IsJpegFileName(const CString& path);
// 1 when the file was written.
unsigned char SaveSnapshot(IImage& picture, const CString& path);
