// The render step's drawing cost: 10^5 particle streaks through the canvas interface, beside a baseline
// that blends the same pixels straight into a bare buffer with no canvas in between. The ratio printed
// as "vs_bare" is what the canvas (range checks, colour packing, midpoint subdivision) costs per streak.
#include "player/imaging/CDibImage.h"

#include "platform/Random.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kStreaks = 100000;

struct Streak {
    float x0, y0, x1, y1;
};

// CPU time of this thread: the machine is shared, and wall time would count other programs' turns.
double cpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::vector<Streak> makeStreaks()
{
    platform::SeedRand(1);
    std::vector<Streak> streaks(kStreaks);
    for (Streak& s : streaks) {
        s.x0 = static_cast<float>(platform::Rand() % kWidth);
        s.y0 = static_cast<float>(platform::Rand() % kHeight);
        s.x1 = s.x0 + static_cast<float>(platform::Rand() % 7) - 3.0f;
        s.y1 = s.y0 + static_cast<float>(platform::Rand() % 7) - 3.0f;
    }
    return streaks;
}

double canvasSeconds(const std::vector<Streak>& streaks)
{
    CDibImage image;
    image.GetDib().Create(kWidth, kHeight);
    const double start = cpuSeconds();
    IImageCanvas* canvas = image.GetCanvas();
    for (const Streak& s : streaks)
        canvas->DrawLine(s.x0, s.y0, RGB(255, 200, 100), 0.2f, s.x1, s.y1, RGB(50, 50, 255), 0.9f);
    image.ReleaseCanvas();
    benchmark::DoNotOptimize(image.GetPixel(1, 1));
    return cpuSeconds() - start;
}

// One blended pixel per streak end and midpoint, written straight into 32-bit pixels.
double bareSeconds(const std::vector<Streak>& streaks)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    const double start = cpuSeconds();
    auto blend = [&](float fx, float fy) {
        const int x = static_cast<int>(fx);
        const int y = static_cast<int>(fy);
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight)
            return;
        std::uint32_t& p = pixels[static_cast<std::size_t>(y) * kWidth + x];
        p = static_cast<std::uint32_t>(0.5f * 255 + 0.5f * static_cast<float>(p & 0xFF));
    };
    for (const Streak& s : streaks) {
        blend(s.x0, s.y0);
        blend((s.x0 + s.x1) / 2, (s.y0 + s.y1) / 2);
        blend(s.x1, s.y1);
    }
    benchmark::DoNotOptimize(pixels.data());
    return cpuSeconds() - start;
}

void BM_RenderStreaks(benchmark::State& state)
{
    const std::vector<Streak> streaks = makeStreaks();
    double canvas = 0;
    double bare = 0;
    for (auto _ : state) {
        canvas += canvasSeconds(streaks);
        bare += bareSeconds(streaks);
    }
    state.counters["canvas_ms"] = benchmark::Counter(canvas * 1000 / static_cast<double>(state.iterations()));
    state.counters["bare_ms"] = benchmark::Counter(bare * 1000 / static_cast<double>(state.iterations()));
    state.counters["vs_bare"] = canvas / bare;
}
BENCHMARK(BM_RenderStreaks)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
