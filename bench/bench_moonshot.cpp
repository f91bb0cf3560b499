// A million particles in one tick: the default scene's rules and the render constraint drawing every
// particle into a 320 x 240 "RENDER", one step of the whole system per iteration, against the 50 ms a
// tick has at 20 ticks a second. Wall time, median of the ticks: a tick that overruns is late, whoever
// else is using the machine.
//
// To say what bounds it, the same million is also timed without the render constraint, and each on one
// thread only, in wall time and in the CPU time the tick costs.
//
// Every particle starts at rest within 100 pixels of the field's centre, and the population is put back at
// its start (untimed) every kTicksPerStart ticks: it stays near a million. Ages fall along the list, the
// oldest first, as in a running scene, where particles join at the end and the age rule takes them from
// the front: some expire on every tick, and the places they leave are reused together. Ages interleaved
// along the list (i % 160) would instead free every 160th place on each tick, and the refill would point
// the list's tail all over the pool: in that layout the step takes three times as long on two threads.
//
// What bounds a step is memory: before the ticks, a STREAM-like kernel (copy, scale, add, triad over
// arrays far larger than the caches) measures what this machine moves per second on one thread and on
// two, and the step alone is compared with the time its own traffic would need at that rate.
#include "BenchSummary.h"

#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleSystem.h"
#include "player/imaging/store/CImageStore.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr long kParticles = 1000000;
constexpr int kTicksPerStart = 10;
constexpr double kTickMilliseconds = 50.0;

void placeParticles(ParticleSystem& system)
{
    const int missing = static_cast<int>(kParticles) - system.particles.getParticleCount();
    if (missing > 0)
        system.createParticles(missing, CPoint(0, 0), 0.0f, 1.0f, 1.0f, 1.0f);
    while (system.particles.getParticleCount() > kParticles)
        system.particles.removeParticle(system.particles.getParticleCount() - 1);
    for (long i = 0; i < kParticles; ++i) {
        const std::uint32_t h = static_cast<std::uint32_t>(i) * 2654435761u;
        const float a = static_cast<float>(h & 0xFFFF) / 65536.0f * 6.2831853f;
        const float r = 5.0f + static_cast<float>((h >> 16) & 0xFFFF) / 65536.0f * 95.0f;
        IGlintmote* p = system.particles.getParticle(static_cast<int>(i));
        p->setLocationX(160.0f + r * std::cos(a));
        p->setLocationY(120.0f + r * std::sin(a));
        p->setPreviousLocationX(p->getLocationX());
        p->setPreviousLocationY(p->getLocationY());
        p->setDeltaX(0.0f);
        p->setDeltaY(0.0f);
        p->setAge(159 - static_cast<int>(i * 160 / kParticles));
    }
}

// The default scene as the player starts it, with the render constraint after its rules.
struct Scene {
    CImageStore store;
    ParticleSystem system;

    explicit Scene(bool render)
    {
        ConstraintCollection& c = system.constraints;
        c.addConstraint(
            "factory.ParticleFactoryUniform", "<CenterX>160</CenterX><CenterY>120</CenterY><MaxForce>6</MaxForce>");
        c.addConstraint(
            "constraint.OmniForce", "<CenterX>160</CenterX><CenterY>120</CenterY><RadiusOut>320</RadiusOut>");
        c.addConstraint("constraint.RemoveAged", "<MaximumAge>160</MaximumAge>");
        c.addConstraint("constraint.RemoveOutOfBounds", "<Right>640</Right><Bottom>480</Bottom>");
        if (render) {
            system.SetImageProvider(&store);
            store.AddImage("RENDER", store.CreateImage(320, 240));
            c.addConstraint("render.RenderSimple", "<RenderToImage>RENDER</RenderToImage>");
        }
        placeParticles(system);
    }
    ~Scene() { system.SetImageProvider(nullptr); }
};

// Median wall time and median CPU time of the calling thread per tick, in milliseconds, by render (0 or 1)
// and threads (0: as many as the pool would use). On one thread the CPU time is what a tick costs however
// busy the machine is.
double gWall[2][2] = {};
double gCpu[2][2] = {};

double median(std::vector<double>& values)
{
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

double threadCpuMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

void ticks(benchmark::State& state, bool render, int threads)
{
    parallel::Configure(threads, false);
    Scene scene(render);
    std::vector<double> wall;
    std::vector<double> cpu;
    int sinceStart = 0;
    for (auto _ : state) {
        if (sinceStart == kTicksPerStart) {
            state.PauseTiming();
            placeParticles(scene.system);
            sinceStart = 0;
            state.ResumeTiming();
        }
        const auto begin = std::chrono::steady_clock::now();
        const double cpuBegin = threadCpuMilliseconds();
        scene.system.step();
        cpu.push_back(threadCpuMilliseconds() - cpuBegin);
        wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        ++sinceStart;
    }
    parallel::Configure(0, false);
    if (scene.system.particles.getParticleCount() < kParticles * 9 / 10) {
        state.SkipWithError("the population fell while it was measured");
        return;
    }
    gWall[render][threads] = median(wall);
    gCpu[render][threads] = median(cpu);
    state.counters["median_ms"] = gWall[render][threads];
}

// The STREAM kernels over three arrays of doubles, 64 MiB each, split over `threads` as the engine splits
// its loops; bytes counted as STREAM counts them (what the kernel reads and writes, no write-allocate).
// Returns the best rate of the best kernel in bytes per second: the most this machine was seen to move.
double streamBytesPerSecond(int threads)
{
    constexpr std::size_t kElements = std::size_t(8) << 20;
    constexpr int kRepeats = 5;
    std::vector<double> a(kElements, 1.0), b(kElements, 2.0), c(kElements, 0.0);
    const double q = 3.0;
    parallel::Configure(threads, false);
    double best = 0;
    auto time = [&](double bytesPerElement, auto&& kernel) {
        for (int r = 0; r < kRepeats; ++r) {
            const auto begin = std::chrono::steady_clock::now();
            parallel::ForEachRange(kElements, 1 << 16, [&](std::size_t from, std::size_t to) {
                for (std::size_t i = from; i < to; ++i)
                    kernel(i);
            });
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            best = std::max(best, bytesPerElement * static_cast<double>(kElements) / seconds);
        }
        benchmark::DoNotOptimize(a.data());
        benchmark::DoNotOptimize(c.data());
    };
    time(16, [&](std::size_t i) { c[i] = a[i]; });
    time(16, [&](std::size_t i) { b[i] = q * c[i]; });
    time(24, [&](std::size_t i) { c[i] = a[i] + b[i]; });
    time(24, [&](std::size_t i) { a[i] = b[i] + q * c[i]; });
    parallel::Configure(0, false);
    return best;
}

// What the step alone moves per particle, counted from the code: the rules' walk reads the list's
// pointer and the particle's record and writes the record back (forces change it, the move too, in the
// same walk); the removal marks are cleared, then read by the compaction, which reads and writes every
// pointer. The few particles made or deleted per tick are left out.
constexpr double kStepBytesPerParticle = sizeof(IGlintmote*) + 2 * sizeof(ParticleBase) + 2 + 2 * sizeof(IGlintmote*);

void BM_StepAndRender(benchmark::State& state)
{
    ticks(state, true, static_cast<int>(state.range(0)));
}

void BM_StepOnly(benchmark::State& state)
{
    ticks(state, false, static_cast<int>(state.range(0)));
}

// Two threads, or as many as the pool would use; then one, to show what the second gains.
BENCHMARK(BM_StepAndRender)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_StepOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    // Before the ticks, so that the pool's threads are already awake for the two-thread kernels; left out
    // with --no_stream (scripts/bench profiles the ticks alone).
    const bool stream = std::find(argv, argv + argc, std::string("--no_stream")) == argv + argc;
    const double bandwidth[2] = { stream ? streamBytesPerSecond(1) : 0.0, stream ? streamBytesPerSecond(2) : 0.0 };
    SummaryReporter reporter;
    const std::string loadBefore = RunBenchmarks(argc, argv, reporter);
    const double both = gWall[1][0];
    std::printf("\n%ld particles, default scene's rules and RenderSimple into 320 x 240, median per tick "
                "(load average before: %s, after: %s)\n"
                "                   wall, %d threads   wall, one thread   CPU, one thread\n"
                "step and render   %16.2f   %16.2f   %15.2f   (target: wall on %d threads <= %.0f ms)\n"
                "step alone        %16.2f   %16.2f   %15.2f\n"
                "render alone      %16.2f   %16.2f   %15.2f   (the difference)\n",
        kParticles, loadBefore.c_str(), LoadAverage().c_str(), parallel::ThreadCount(), both, gWall[1][1], gCpu[1][1],
        parallel::ThreadCount(), kTickMilliseconds, gWall[0][0], gWall[0][1], gCpu[0][1], both - gWall[0][0],
        gWall[1][1] - gWall[0][1], gCpu[1][1] - gCpu[0][1]);
    // Time the step's traffic needs: one thread against its CPU time, two against their wall time.
    const double stepMeasured[2] = { gCpu[0][1], gWall[0][0] };
    if (stream)
        std::printf(
            "\nMemory: best of copy, scale, add and triad over 3 x 64 MiB\n"
            "threads   GB/s     step: bytes/particle   traffic needs ms   step measured ms   measured/needed\n");
    for (int k = 0; k < 2 && stream; ++k) {
        const double needed = kStepBytesPerParticle * static_cast<double>(kParticles) / bandwidth[k] * 1e3;
        std::printf("%7d   %6.2f   %20.0f   %16.2f   %16.2f   %15.2f\n", k + 1, bandwidth[k] * 1e-9,
            kStepBytesPerParticle, needed, stepMeasured[k], stepMeasured[k] > 0 ? stepMeasured[k] / needed : 0.0);
        const std::string threads = k == 0 ? "one thread" : "two threads";
        SummaryRow(
            "memory bandwidth, STREAM-like best kernel, " + threads, "report", bandwidth[k] * 1e-9, " GB/s", true);
        if (stepMeasured[k] > 0)
            SummaryRow("a million particles: step alone / time its " + std::to_string(int(kStepBytesPerParticle))
                    + " bytes a particle need, " + threads,
                "report", stepMeasured[k] / needed, "x", true);
    }
    if (both > 0)
        SummaryRow(
            "a million particles: step and render, median tick", "<= 50 ms", both, " ms", both <= kTickMilliseconds);
    return 0;
}
