#pragma once

// The one budget for every picture the program makes or reads: each side at most 65535 pixels and at
// most 64 megapixels in all. Every picture, surface and decoder checks it before allocating anything.
struct PixelBudget {
    long long maxSide;
    long long maxPixels;
};

constexpr PixelBudget kPixelBudget { 65535, 64LL << 20 };

// True when a width x height picture fits the budget.
constexpr bool PictureFits(long long width, long long height)
{
    return width > 0 && height > 0 && width <= kPixelBudget.maxSide && height <= kPixelBudget.maxSide
        && width * height <= kPixelBudget.maxPixels;
}
