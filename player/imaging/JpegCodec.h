#pragma once

#include "platform/CString.h"
#include "player/imaging/RgbImage.h"

#include <cstddef>
#include <cstdint>

// JPEG through libjpeg. A bad file never ends the program: libjpeg's fatal errors return here.
bool ReadJpeg(const CString& fileName, RgbImage& out);
bool ReadJpegMemory(const std::uint8_t* data, std::size_t size, RgbImage& out);
// Baseline JPEG at the quality given; 1 when written.
int WriteJpeg(const CString& fileName, const std::uint8_t* rgb, int width, int height, int quality);
