// The light-adding renderer at 1920 x 1080: 10^5 and 10^6 moving particles added into the light buffer,
// faded, glowing over 4 pixels and tone-mapped into a picture of that size, on one thread and on two.
// Beside it, a plain loop doing the least such a renderer must: add each particle's colour at its pixel
// into a float buffer and map every channel through a straight line into the picture. Prints ms per
// tick, the ratio to the plain loop, and what a second thread gains.
#include "BenchSummary.h"

#include "particle/constraints/RenderLight.h"
#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleCollection.h"
#include "particle/core/PixelRows.h"
#include "platform/Random.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const long kSizes[] = { 100000, 1000000 };
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
// The window ticks every 50 ms: 10^5 and 10^6 particles should both light a 1080p picture within one tick.
constexpr double kTargetMs[] = { 50.0, 50.0 };

struct Scene {
    ParticleCollection particles;
    RenderLight light;
    LightBuffer buffer;
    std::vector<std::uint8_t> picture = std::vector<std::uint8_t>(static_cast<std::size_t>(kWidth) * kHeight * 3);

    explicit Scene(long n)
    {
        platform::SeedRand(1);
        for (long i = 0; i < n; ++i) {
            auto p = std::make_unique<ParticleBase>();
            p->setLocationX(static_cast<float>(platform::Rand() % (kWidth * 10)) / 10.0f);
            p->setLocationY(static_cast<float>(platform::Rand() % (kHeight * 10)) / 10.0f);
            p->setDeltaX(static_cast<float>(platform::Rand() % 1201 - 600) / 100.0f);
            p->setDeltaY(static_cast<float>(platform::Rand() % 1201 - 600) / 100.0f);
            p->setColor(RGB(platform::Rand() & 0xFF, platform::Rand() & 0xFF, platform::Rand() & 0xFF));
            p->step();
            particles.addParticle(std::move(p));
        }
        light.setParametersFromString("<Opacity>0.5</Opacity><Exposure>0.5</Exposure><Density>20</Density>"
                                      "<Gamma>1.4</Gamma><Decay>0.5</Decay><Glow Radius>4</Glow Radius>"
                                      "<Glow Strength>0.5</Glow Strength><Glow Threshold>1</Glow Threshold>");
    }
    void tick()
    {
        std::fill(picture.begin(), picture.end(), 0);
        light.renderLight(particles, buffer, PixelRows(picture.data(), kWidth * 3, kWidth, kHeight), LightPlacement());
    }
};

void lightTicks(benchmark::State& state, int threads)
{
    parallel::Configure(threads, false);
    Scene scene(state.range(0));
    for (auto _ : state)
        scene.tick();
    benchmark::DoNotOptimize(scene.picture[0]);
    parallel::Configure(0, false);
}

void BM_RenderLight(benchmark::State& state)
{
    lightTicks(state, 1);
}

void BM_RenderLightTwoThreads(benchmark::State& state)
{
    lightTicks(state, 2);
}

void BM_LightBaseline(benchmark::State& state)
{
    Scene scene(state.range(0));
    std::vector<float> light(static_cast<std::size_t>(kWidth) * kHeight * 3);
    for (auto _ : state) {
        std::fill(light.begin(), light.end(), 0.0f);
        for (std::size_t i = 0; i < scene.particles.size(); ++i) {
            ParticleBase* p = scene.particles.particleBaseAt(i);
            const int x = static_cast<int>(p->getLocationX());
            const int y = static_cast<int>(p->getLocationY());
            if (x < 0 || x >= kWidth || y < 0 || y >= kHeight)
                continue;
            float* px = &light[(static_cast<std::size_t>(y) * kWidth + x) * 3];
            const COLORREF c = p->getColor();
            px[0] += PixelRows::unit(GetRValue(c));
            px[1] += PixelRows::unit(GetGValue(c));
            px[2] += PixelRows::unit(GetBValue(c));
        }
        for (std::size_t i = 0; i < light.size(); ++i)
            scene.picture[i] = static_cast<std::uint8_t>(std::min(light[i] * 255.0f, 255.0f));
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(scene.picture[0]);
}

BENCHMARK(BM_RenderLight)->Arg(kSizes[0])->Arg(kSizes[1])->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderLightTwoThreads)->Arg(kSizes[0])->Arg(kSizes[1])->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LightBaseline)->Arg(kSizes[0])->Arg(kSizes[1])->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    SummaryReporter reporter;
    const std::string loadBefore = RunBenchmarks(argc, argv, reporter, 3);
    std::printf("\nPer tick into %d x %d (load average before: %s, after: %s)\n"
                "particles   one thread ms (CPU)   plain loop ms   ratio   two threads ms (wall)   speed-up\n",
        kWidth, kHeight, loadBefore.c_str(), LoadAverage().c_str());
    for (int k = 0; k < 2; ++k) {
        const std::string n = std::to_string(kSizes[k]);
        const double one = reporter.nanoseconds("BM_RenderLight/" + n) * 1e-6;
        const double oneWall = reporter.wallNanoseconds("BM_RenderLight/" + n) * 1e-6;
        const double plain = reporter.nanoseconds("BM_LightBaseline/" + n) * 1e-6;
        const double two = reporter.wallNanoseconds("BM_RenderLightTwoThreads/" + n + "/real_time") * 1e-6;
        if (one <= 0 || plain <= 0 || two <= 0)
            continue;
        std::printf(
            "%9s   %19.2f   %13.2f   %5.2f   %21.2f   %8.2f\n", n.c_str(), one, plain, one / plain, two, oneWall / two);
        char target[32];
        std::snprintf(target, sizeof target, "<= %.0f", kTargetMs[k]);
        SummaryRow("RenderLight ms per tick at 1920x1080, " + n + " particles, two threads", target, two, " ms",
            two <= kTargetMs[k]);
        SummaryRow(
            "RenderLight / plain additive loop, " + n + " particles, one thread", "report", one / plain, "", true);
    }
    return 0;
}
