#include "platform/Random.h"

namespace platform {
namespace {
unsigned int state = 1;
} // namespace

int Rand()
{
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

void SeedRand(unsigned int seed)
{
    state = seed;
}

} // namespace platform
