#pragma once

#include "platform/PlatformExport.h"

// The root of the engine's object hierarchy: particles, constraints, collections and the facade derive
// from it so that every one of them can be deleted through a base pointer.
class PLATFORM_EXPORT CObject {
public:
    virtual ~CObject() = default;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
