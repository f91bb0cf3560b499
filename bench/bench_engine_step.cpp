// Steps of the default scene over 10^4 to 10^6 live particles, against a plain loop doing the same
// arithmetic (EngineStepBaseline.h). Prints ns per particle-step and the ratio engine / baseline, both on
// one thread (CPU time), and what a second thread gains (wall time).
//
// Each measured iteration puts every particle back at its start (untimed) and then times kStepsPerRun
// steps: too few for any particle to swing out of the field and leave, so the population stays exactly
// at its size however long the library decides to measure.
#include "BenchSummary.h"
#include "EngineStepBaseline.h"

#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleSystem.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

const long kSizes[] = { 10000, 100000, 1000000 };
constexpr int kStepsPerRun = 20;
bool gMismatch = false;

// Deterministic start positions: at rest within 100 pixels of the field's centre, so the attraction
// makes them swing through it and none reaches the bounds or leaves the population.
struct Start {
    float x, y;
};

Start startOf(long i)
{
    std::uint32_t h = static_cast<std::uint32_t>(i) * 2654435761u;
    const float a = static_cast<float>(h & 0xFFFF) / 65536.0f * 6.2831853f;
    const float r = 5.0f + static_cast<float>((h >> 16) & 0xFFFF) / 65536.0f * 95.0f;
    return { 160.0f + r * std::cos(a), 120.0f + r * std::sin(a) };
}

// The default scene's four constraints, the factory held at the population size and the age limit
// raised, so that the population stays as it is while it is measured.
void resetEngine(ParticleSystem& system, long n)
{
    // Made by the system, as a scene's particles are: in the collection's own storage.
    const int missing = static_cast<int>(n) - system.particles.getParticleCount();
    if (missing > 0)
        system.createParticles(missing, CPoint(0, 0), 0.0f, 1.0f, 1.0f, 1.0f);
    for (long i = 0; i < n; ++i) {
        IGlintmote* p = system.particles.getParticle(static_cast<int>(i));
        const Start s = startOf(i);
        p->setLocationX(s.x);
        p->setLocationY(s.y);
        p->setPreviousLocationX(s.x);
        p->setPreviousLocationY(s.y);
        p->setDeltaX(0.0f);
        p->setDeltaY(0.0f);
        p->setAge(0);
    }
}

void resetBaseline(EngineStepBaseline& baseline, long n)
{
    baseline.x.clear();
    baseline.y.clear();
    baseline.prevX.clear();
    baseline.prevY.clear();
    baseline.dx.clear();
    baseline.dy.clear();
    baseline.age.clear();
    for (long i = 0; i < n; ++i) {
        const Start s = startOf(i);
        baseline.add(s.x, s.y, 0.0f, 0.0f);
    }
}

void buildScene(ParticleSystem& system, long n)
{
    system.constraints.addConstraint("factory.ParticleFactoryUniform",
        "<CenterX>160</CenterX><CenterY>120</CenterY><Limit>" + std::to_string(n) + "</Limit>");
    system.constraints.addConstraint("constraint.OmniForce", "<CenterX>160</CenterX><CenterY>120</CenterY>");
    system.constraints.addConstraint("constraint.RemoveAged", "<MaximumAge>2147483647</MaximumAge>");
    system.constraints.addConstraint("constraint.RemoveOutOfBounds", "");
    resetEngine(system, n);
}

bool same(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// After a few steps on both, a sample of particles must agree bit for bit.
bool enginesAgree(ParticleSystem& system, EngineStepBaseline& baseline)
{
    if (static_cast<std::size_t>(system.particles.getParticleCount()) != baseline.size())
        return false;
    const std::size_t n = baseline.size();
    const std::size_t stride = n / 997 + 1;
    for (std::size_t i = 0; i < n; i += stride) {
        IGlintmote* p = system.particles.getParticle(static_cast<int>(i));
        if (!same(p->getLocationX(), baseline.x[i]) || !same(p->getLocationY(), baseline.y[i])
            || !same(p->getPreviousLocationX(), baseline.prevX[i])
            || !same(p->getPreviousLocationY(), baseline.prevY[i]) || !same(p->getDeltaX(), baseline.dx[i])
            || !same(p->getDeltaY(), baseline.dy[i]) || p->getAge() != baseline.age[i]) {
            std::fprintf(stderr,
                "MISMATCH at particle %zu: engine (%.9g, %.9g) v (%.9g, %.9g), baseline (%.9g, %.9g) v "
                "(%.9g, %.9g)\n",
                i, p->getLocationX(), p->getLocationY(), p->getDeltaX(), p->getDeltaY(), baseline.x[i], baseline.y[i],
                baseline.dx[i], baseline.dy[i]);
            return false;
        }
    }
    return true;
}

void engineSteps(benchmark::State& state, int threads)
{
    const long n = state.range(0);
    parallel::Configure(threads, false);
    ParticleSystem system;
    buildScene(system, n);
    {
        EngineStepBaseline baseline;
        baseline.maximumAge = 2147483647;
        resetBaseline(baseline, n);
        for (int i = 0; i < kStepsPerRun; ++i) {
            system.step();
            baseline.step();
        }
        if (!enginesAgree(system, baseline)) {
            gMismatch = true;
            state.SkipWithError("engine and baseline disagree");
            parallel::Configure(0, false);
            return;
        }
    }
    for (auto _ : state) {
        state.PauseTiming();
        resetEngine(system, n);
        state.ResumeTiming();
        for (int i = 0; i < kStepsPerRun; ++i)
            system.step();
        if (system.particles.getParticleCount() != n) {
            gMismatch = true;
            state.SkipWithError("the population changed while it was measured");
            break;
        }
    }
    parallel::Configure(0, false);
}

void BM_EngineStep(benchmark::State& state)
{
    engineSteps(state, 1);
}

void BM_EngineStepTwoThreads(benchmark::State& state)
{
    engineSteps(state, 2);
}

void BM_BaselineStep(benchmark::State& state)
{
    const long n = state.range(0);
    EngineStepBaseline baseline;
    baseline.maximumAge = 2147483647;
    for (auto _ : state) {
        state.PauseTiming();
        resetBaseline(baseline, n);
        state.ResumeTiming();
        for (int i = 0; i < kStepsPerRun; ++i)
            baseline.step();
        benchmark::DoNotOptimize(baseline.x.data());
        if (baseline.size() != static_cast<std::size_t>(n)) {
            gMismatch = true;
            state.SkipWithError("the population changed while it was measured");
            return;
        }
    }
}

BENCHMARK(BM_EngineStep)->Arg(kSizes[0])->Arg(kSizes[1])->Arg(kSizes[2])->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineStepTwoThreads)->Arg(kSizes[1])->Arg(kSizes[2])->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BaselineStep)->Arg(kSizes[0])->Arg(kSizes[1])->Arg(kSizes[2])->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    SummaryReporter reporter;
    const std::string loadBefore = RunBenchmarks(argc, argv, reporter, 5);
    const double target = LoadedRun() ? 1.6 : 1.3;
    std::printf("\nOne thread, CPU time per particle and step (load average before: %s, after: %s)\n"
                "particles   engine ns/particle-step   baseline ns/particle-step   engine/baseline\n",
        loadBefore.c_str(), LoadAverage().c_str());
    for (long n : kSizes) {
        const std::string name = "/" + std::to_string(n);
        const double engine = reporter.nanoseconds("BM_EngineStep" + name) / n / kStepsPerRun;
        const double baseline = reporter.nanoseconds("BM_BaselineStep" + name) / n / kStepsPerRun;
        if (engine > 0 && baseline > 0) {
            std::printf("%9ld   %23.2f   %25.2f   %15.2f\n", n, engine, baseline, engine / baseline);
            SummaryRow("engine step / plain loop, " + std::to_string(n) + " particles, one thread",
                "<= " + std::to_string(target).substr(0, 3), engine / baseline, "", engine / baseline <= target);
        }
    }
    // With the other core taken a second thread has nowhere to run: the loaded run leaves it out.
    if (!LoadedRun())
        std::printf("\nTwo threads, wall time per step\n"
                    "particles   one thread ms   two threads ms   speed-up\n");
    for (long n : { kSizes[1], kSizes[2] }) {
        const std::string name = "/" + std::to_string(n);
        const double one = reporter.wallNanoseconds("BM_EngineStep" + name) / kStepsPerRun * 1e-6;
        const double two
            = reporter.wallNanoseconds("BM_EngineStepTwoThreads" + name + "/real_time") / kStepsPerRun * 1e-6;
        if (one > 0 && two > 0) {
            std::printf("%9ld   %13.3f   %14.3f   %8.2f\n", n, one, two, one / two);
            SummaryRow("engine step speed-up on two threads, " + std::to_string(n) + " particles", "> 1", one / two,
                "x", one / two > 1.0);
        }
    }
    if (gMismatch) {
        std::fprintf(stderr, "FAILED: the engine's results differ from the baseline's (see above)\n");
        return 1;
    }
    return 0;
}
