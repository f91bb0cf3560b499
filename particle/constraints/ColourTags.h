#pragma once

#include "particle/core/StringParameters.h"
#include "platform/Colour.h"

// The "Red", "Green" and "Blue" tags of a colour, in that order, each 0 to 255; read with the colour's
// present channels as defaults, and each value cut to its low 8 bits.
inline COLORREF ReadColourTags(StringParameters& sp, CString params, COLORREF current)
{
    const int red = sp.getIntParameter(params, "Red", GetRValue(current));
    const int green = sp.getIntParameter(params, "Green", GetGValue(current));
    const int blue = sp.getIntParameter(params, "Blue", GetBValue(current));
    return RGB(red, green, blue);
}

inline CString ColourTags(StringParameters& sp, COLORREF colour)
{
    return sp.toString("Red", GetRValue(colour)) + sp.toString("Green", GetGValue(colour))
        + sp.toString("Blue", GetBValue(colour));
}
