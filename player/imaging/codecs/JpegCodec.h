#pragma once

#include "platform/CString.h"
#include "player/imaging/codecs/PictureFormat.h"
#include "player/imaging/codecs/RgbRows.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// JPEG through libjpeg. A bad file never ends the program: libjpeg's fatal errors return here.
//
// Reading gives a 24-bit block: colour and greyscale files as they decode, CMYK and YCCK files (stored
// inverted, as Adobe's programs write them and every common reader assumes) as RGB. A file cut short
// shows the rows it holds and grey below; a file whose rows all decode keeps them whatever follows.
PictureRead ReadJpeg(const CString& fileName);
PictureRead ReadJpegMemory(const std::uint8_t* data, std::size_t size);

// Baseline JPEG at the quality given. False on failure, with errno saying why (EDOM for a side
// beyond the 65500 pixels a JPEG can hold).
bool WriteJpegFile(std::FILE* file, RgbRows& rows, int quality);
// The same into a named file; 1 when written.
int WriteJpeg(const CString& fileName, const std::uint8_t* rgb, int width, int height, int quality);
