#pragma once

#include "platform/CString.h"
#include "player/imaging/codecs/PictureFormat.h"
#include "player/imaging/codecs/RgbRows.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// PNG through libpng. Reading gives a 24-bit block from every colour type and bit depth, interlaced or
// not: 16-bit samples become 8 bits as ImageMagick makes them (divided
// by 257, rounded down), grey becomes equal red, green and blue, and transparency,
// gamma and colour profiles are ignored (a transparent pixel shows its own colour). A file cut short
// shows the rows it holds and black below.
PictureRead ReadPngMemory(const std::uint8_t* data, std::size_t size);

// An 8-bit RGB PNG of the rows. False on failure, with errno saying why.
bool WritePngFile(std::FILE* file, RgbRows& rows);
// The same into a named file (SafeFileWriter's rules); 1 when written, otherwise 0 with errno saying why.
// For a picture: WritePng(name, RgbRows(picture)); for a frame: WritePng(name, RgbRows(pixels, ...)).
int WritePng(const CString& fileName, RgbRows&& rows);
// An 8-bit RGBA PNG of top-down red-green-blue-alpha rows, width x 4 bytes each, in the same way.
int WritePngWithAlpha(const CString& fileName, const std::uint8_t* rgba, int width, int height);
