#pragma once

#include <cstdint>

// A colour as 0x00BBGGRR: red in the low byte.
using COLORREF = unsigned long;

constexpr COLORREF RGB(int r, int g, int b)
{
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(COLORREF c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

// Surfaces hold pixels as 0xFFRRGGBB, the layout Qt shows without conversion.
constexpr std::uint32_t ToSurfacePixel(COLORREF c)
{
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16)
        | (static_cast<std::uint32_t>(GetGValue(c)) << 8) | static_cast<std::uint32_t>(GetBValue(c));
}
constexpr COLORREF FromSurfacePixel(std::uint32_t p)
{
    return RGB(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF));
}
