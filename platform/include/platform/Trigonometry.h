#pragma once

#include "platform/PlatformExport.h"

// cos, sin and atan2 in our own code, so that every build computes the same bits. The C libraries of the
// desktop and of the browser round many results differently in the last bit (glibc and musl disagree on
// about one atan2 in five), and a scene must replay identically everywhere. Results are within one unit in
// the last place of the exact value; special values (signed zeros, infinities, NaN) follow the C library.
// sqrt needs nothing of ours: IEEE arithmetic rounds it correctly on every machine.
namespace platform {

PLATFORM_EXPORT double Cos(double x);
PLATFORM_EXPORT double Sin(double x);
PLATFORM_EXPORT double Atan2(double y, double x);

} // namespace platform
