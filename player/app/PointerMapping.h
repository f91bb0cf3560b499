#pragma once

#include "platform/CString.h"

#include <cstdint>

// How the pointer position becomes part factory parameters: (position + offset) x scale, written into
// the two tags. The two integers and the flag come from scene files and are kept, not used.
struct PointerMapping {
    std::int32_t integerA = 0;
    std::int32_t integerB = 0;
    CString xTagName = "CenterX";
    CString yTagName = "CenterY";
    bool flag = false;
    float offsetX = 0.0f;
    float offsetY = 0.0f;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
};
