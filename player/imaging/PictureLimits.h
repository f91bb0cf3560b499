#pragma once

#include "platform/PixelBudget.h"

#include <cstddef>

// Picture files are read whole; nothing within the pixel budget needs more than this (the largest
// picture as an uncompressed 16-bit PNG with alpha is half of it).
constexpr std::size_t kMaxPictureFileBytes = (std::size_t { 1 } << 30) + (std::size_t { 1 } << 20);
