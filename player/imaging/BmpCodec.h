#pragma once

#include "platform/CString.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Windows and OS/2 bitmap files. The reader gives the complete DIB block (40-byte information header,
// colour table, bottom-up padded rows) with the file's own depth and compression; a file holding a
// bare DIB without a file header reads too.
bool ReadBmp(const CString& fileName, std::vector<std::uint8_t>& dib);
bool ReadBmpMemory(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& dib);
// Writes "BM" file header plus the block unchanged; 1 when written.
int WriteBmp(const CString& fileName, const std::vector<std::uint8_t>& dib);
