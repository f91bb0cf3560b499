// The render step over 10^3 to 10^5 moving particles: the engine's render constraint drawing into a
// 320 x 240 "RENDER" through the picture store, the picture and its canvas, against a plain loop blending
// the same streaks into a bare pixel array (RenderBaseline.h). Prints ms per step and the ratio
// engine / baseline on one thread, and what a second thread gains.
//
// Before anything is measured, one pass of each from the same start picture must give the same pixels,
// or the program fails. The engine's time includes what a step really pays: finding the picture in the
// store, drawing on it and bringing its display copy up to date.
#include "BenchSummary.h"
#include "RenderBaseline.h"

#include "particle/constraints/RenderSimple.h"
#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleSystem.h"
#include "platform/Random.h"
#include "player/imaging/store/CImageStore.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const long kSizes[] = { 1000, 10000, 100000 };
constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Where each particle starts and how it moves: fractional positions spread over the picture, velocities
// within +-6 in both directions, a colour per particle. The same draws for every size.
struct Start {
    float x, y, dx, dy;
    COLORREF color;
};

std::vector<Start> makeStarts(long n)
{
    platform::SeedRand(1);
    std::vector<Start> starts(static_cast<std::size_t>(n));
    for (Start& s : starts) {
        s.x = static_cast<float>(platform::Rand() % (kWidth * 100)) / 100.0f;
        s.y = static_cast<float>(platform::Rand() % (kHeight * 100)) / 100.0f;
        s.dx = static_cast<float>(platform::Rand() % 1201 - 600) / 100.0f;
        s.dy = static_cast<float>(platform::Rand() % 1201 - 600) / 100.0f;
        const int r = platform::Rand() & 0xFF;
        const int g = platform::Rand() & 0xFF;
        const int b = platform::Rand() & 0xFF;
        s.color = RGB(r, g, b);
    }
    return starts;
}

// A start picture that is not one colour, so that blending against the old pixel matters.
COLORREF startPixel(int x, int y)
{
    return RGB(x * 7, y * 5, x + y);
}

// The engine's side: particles that have made one move (their streak runs from where they were), the
// store with a patterned "RENDER", and the render constraint with its default transparencies.
struct EngineScene {
    CImageStore store;
    ParticleSystem system;
    RenderSimple render;
    IImage* picture = nullptr;

    explicit EngineScene(const std::vector<Start>& starts)
    {
        system.SetImageProvider(&store);
        for (const Start& s : starts) {
            auto p = std::make_unique<ParticleBase>();
            p->setLocationX(s.x);
            p->setLocationY(s.y);
            p->setDeltaX(s.dx);
            p->setDeltaY(s.dy);
            p->setColor(s.color);
            p->step();
            system.particles.addParticle(std::move(p));
        }
        store.AddImage("RENDER", store.CreateImage(kWidth, kHeight));
        picture = store.GetImage("RENDER");
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                picture->SetPixel(x, y, startPixel(x, y));
    }
    ~EngineScene() { system.SetImageProvider(nullptr); }
};

std::vector<RenderBaseline::Streak> baselineStreaks(const std::vector<Start>& starts)
{
    std::vector<RenderBaseline::Streak> streaks;
    streaks.reserve(starts.size());
    for (const Start& s : starts)
        streaks.push_back({ s.x + s.dx, s.y + s.dy, s.x, s.y, static_cast<std::uint32_t>(s.color) });
    return streaks;
}

void paintStart(RenderBaseline& baseline)
{
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            baseline.pixel(x, y) = static_cast<std::uint32_t>(startPixel(x, y));
}

// One pass of each from the same start picture; every pixel must agree.
bool picturesAgree(long n)
{
    const std::vector<Start> starts = makeStarts(n);
    EngineScene engine(starts);
    RenderBaseline baseline(kWidth, kHeight);
    paintStart(baseline);
    if (engine.render.apply(&engine.system) != 1) {
        std::fprintf(stderr, "MISMATCH: the render constraint did not draw\n");
        return false;
    }
    baseline.render(baselineStreaks(starts));
    int differing = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const auto ours = static_cast<std::uint32_t>(engine.picture->GetPixel(x, y));
            const std::uint32_t theirs = baseline.pixel(x, y);
            if (ours != theirs && ++differing <= 5)
                std::fprintf(stderr, "MISMATCH at (%d, %d) with %ld particles: engine %06X, baseline %06X\n", x, y, n,
                    static_cast<unsigned>(ours), static_cast<unsigned>(theirs));
        }
    }
    if (differing)
        std::fprintf(stderr, "%d pixels differ with %ld particles\n", differing, n);
    return differing == 0;
}

void renderSteps(benchmark::State& state, int threads)
{
    parallel::Configure(threads, false);
    EngineScene engine(makeStarts(state.range(0)));
    for (auto _ : state)
        engine.render.apply(&engine.system);
    benchmark::DoNotOptimize(engine.picture->GetPixel(0, 0));
    parallel::Configure(0, false);
}

void BM_RenderSimple(benchmark::State& state)
{
    renderSteps(state, 1);
}

void BM_RenderSimpleTwoThreads(benchmark::State& state)
{
    renderSteps(state, 2);
}

void BM_RenderBaseline(benchmark::State& state)
{
    const long n = state.range(0);
    const std::vector<RenderBaseline::Streak> streaks = baselineStreaks(makeStarts(n));
    RenderBaseline baseline(kWidth, kHeight);
    paintStart(baseline);
    for (auto _ : state) {
        baseline.render(streaks);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(baseline.pixel(0, 0));
}

BENCHMARK(BM_RenderSimple)->Arg(kSizes[0])->Arg(kSizes[1])->Arg(kSizes[2])->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderSimpleTwoThreads)->Arg(kSizes[1])->Arg(kSizes[2])->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderBaseline)->Arg(kSizes[0])->Arg(kSizes[1])->Arg(kSizes[2])->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    for (long n : kSizes) {
        if (!picturesAgree(n)) {
            std::fprintf(stderr, "FAILED: the engine's picture differs from the baseline's (see above)\n");
            return 1;
        }
    }
    SummaryReporter reporter;
    const std::string loadBefore = RunBenchmarks(argc, argv, reporter, 5);
    std::printf("\nOne thread, CPU time per render step into %d x %d (load average before: %s, after: %s)\n"
                "particles   engine ms/step   baseline ms/step   engine/baseline\n",
        kWidth, kHeight, loadBefore.c_str(), LoadAverage().c_str());
    for (long n : kSizes) {
        const double engine = reporter.nanoseconds("BM_RenderSimple/" + std::to_string(n)) * 1e-6;
        const double baseline = reporter.nanoseconds("BM_RenderBaseline/" + std::to_string(n)) * 1e-6;
        if (engine > 0 && baseline > 0) {
            std::printf("%9ld   %14.3f   %16.3f   %15.2f\n", n, engine, baseline, engine / baseline);
            const double target = n < 10000 ? 2.0 : 1.3;
            SummaryRow("RenderSimple / plain loop, " + std::to_string(n) + " particles, one thread",
                n < 10000 ? "<= 2.0" : "<= 1.3", engine / baseline, "", engine / baseline <= target);
        }
    }
    std::printf("\nTwo threads, wall time per render step\n"
                "particles   one thread ms   two threads ms   speed-up\n");
    for (long n : { kSizes[1], kSizes[2] }) {
        const std::string name = "/" + std::to_string(n);
        const double one = reporter.wallNanoseconds("BM_RenderSimple" + name) * 1e-6;
        const double two = reporter.wallNanoseconds("BM_RenderSimpleTwoThreads" + name + "/real_time") * 1e-6;
        if (one > 0 && two > 0) {
            std::printf("%9ld   %13.3f   %14.3f   %8.2f\n", n, one, two, one / two);
            SummaryRow("RenderSimple speed-up on two threads, " + std::to_string(n) + " particles", "> 1", one / two,
                "x", one / two > 1.0);
        }
    }
    return 0;
}
