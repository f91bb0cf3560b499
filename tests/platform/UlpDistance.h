#pragma once

#include <cstdint>
#include <cstring>
#include <limits>

// Distance between two doubles in units in the last place, across zero too (for numbers, not NaN).
inline std::int64_t UlpDistance(double a, double b)
{
    auto ordered = [](double x) {
        std::int64_t i;
        std::memcpy(&i, &x, sizeof i);
        return i < 0 ? std::numeric_limits<std::int64_t>::min() - i : i;
    };
    const std::int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}
