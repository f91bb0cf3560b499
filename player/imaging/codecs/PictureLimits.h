#pragma once

#include "platform/PixelBudget.h"

#include <cstddef>

// Picture files are read whole, and no more than this is read: far beyond any photo's file (the largest
// picture the budget allows, 268 megapixels, is a few hundred megabytes as a JPEG or an 8-bit PNG).
constexpr std::size_t kMaxPictureFileBytes = (std::size_t { 1 } << 30) + (std::size_t { 1 } << 20);
