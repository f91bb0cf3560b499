#pragma once

// The platform layer is compiled into libparticle.so with hidden visibility, and its types are part of
// the library's interface: what the headers declare is exported with this mark, the rest stays inside.
// (CMake's generated export headers leave the mark empty for a static library such as this one.)
#if defined(__GNUC__) || defined(__clang__)
#define PLATFORM_EXPORT __attribute__((visibility("default")))
#else
#define PLATFORM_EXPORT
#endif
