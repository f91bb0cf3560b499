#pragma once

// The one budget for every picture the program makes or reads: each side at most 65535 pixels and at
// most 16384 x 16384 (about 268 megapixels) in all, so a phone's 200-megapixel photo still opens.
// Every picture, surface and decoder checks it before allocating anything.
struct PixelBudget {
    long long maxSide;
    long long maxPixels;
};

constexpr PixelBudget kPixelBudget { 65535, 16384LL * 16384 };

// True when a width x height picture fits the budget.
constexpr bool PictureFits(long long width, long long height)
{
    return width > 0 && height > 0 && width <= kPixelBudget.maxSide && height <= kPixelBudget.maxSide
        && width * height <= kPixelBudget.maxPixels;
}
