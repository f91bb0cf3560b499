// Loaded into the window program with LD_PRELOAD by window_ticks.sh: writes the time of every frame the
// window composes (each asks the host whether to erase first) to the file MIRRIM_FRAME_LOG names, one
// line of nanoseconds each, and passes the call on. Nothing in the program changes for it.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

std::FILE* frameLog()
{
    static std::FILE* log = [] {
        const char* name = std::getenv("MIRRIM_FRAME_LOG");
        return name ? std::fopen(name, "w") : nullptr;
    }();
    return log;
}

} // namespace

// CMorvane::shouldErase(), under its linker name: `this` arrives as the first argument.
extern "C" unsigned char CountedShouldErase(void* host) __asm__("_ZN8CMorvane11shouldEraseEv");

unsigned char CountedShouldErase(void* host)
{
    using Real = unsigned char (*)(void*);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "_ZN8CMorvane11shouldEraseEv"));
    if (std::FILE* log = frameLog()) {
        timespec now {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::fprintf(log, "%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(log);
    }
    return real ? real(host) : 0;
}
