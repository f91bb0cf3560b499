#pragma once

#include "platform/CString.h"
#include "player/imaging/codecs/PictureFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// Windows and OS/2 bitmap files: every information header a file carries (12 and 16/64 bytes of OS/2,
// 40, 52, 56, 108 and 124 of Windows), a bare DIB without the 14-byte file header, 1, 2, 4, 8, 16, 24
// and 32 bits per pixel, run-length coded 4- and 8-bit rows and colour masks. The reader gives the
// block with the file's own depth and compression, its header in the 40-byte form (masks after it,
// alpha dropped), at most 256 colours, rows bottom-up; DibPixels shows its colours.
bool ReadBmp(const CString& fileName, std::vector<std::uint8_t>& dib);
PictureRead ReadBmpMemory(const std::uint8_t* data, std::size_t size);

// Writes a "BM" file header and the block: unchanged when every reader takes it (1, 4, 8, 24 bits;
// 16 and 32 bits without masks or with the usual ones), otherwise as an uncompressed file that keeps
// every colour shown (run-length and 2-bit rows as 8- or 4-bit indices, other masks as 24 bits).
// 1 when written; otherwise 0 with errno saying why.
int WriteBmp(const CString& fileName, const std::vector<std::uint8_t>& dib);
bool WriteBmpFile(std::FILE* file, const std::vector<std::uint8_t>& dib);
