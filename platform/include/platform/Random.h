#pragma once

#include "platform/PlatformExport.h"

// The process's one random generator, with the classic C runtime sequence: every run of every scene
// repeats the same draws. Nothing else in the program may draw random numbers.
namespace platform {

constexpr int kRandMax = 0x7FFF;

// Next value of the sequence, 0 to kRandMax.
PLATFORM_EXPORT int Rand();
// Puts the generator back to the given state; 1 is the state at program start. For tests.
PLATFORM_EXPORT void SeedRand(unsigned int seed = 1);

} // namespace platform
