// N particles that all expire in the same step: the age rule must remove them in time linear in N.
#include "BenchSummary.h"

#include "particle/constraints/RemoveAged.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleCollection.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

void BM_MassRemoval(benchmark::State& state)
{
    const long n = state.range(0);
    ParticleCollection particles;
    RemoveAged rule;
    for (auto _ : state) {
        state.PauseTiming();
        for (long i = 0; i < n; ++i) {
            auto p = std::make_unique<ParticleBase>();
            p->setAge(161);
            particles.addParticle(std::move(p));
        }
        state.ResumeTiming();
        rule.apply(&particles);
    }
    if (particles.getParticleCount() != 0)
        state.SkipWithError("particles survived");
}

BENCHMARK(BM_MassRemoval)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double large = reporter.nanoseconds("BM_MassRemoval/1000000");
    const double medium = reporter.nanoseconds("BM_MassRemoval/100000");
    if (large > 0 && medium > 0)
        std::printf("\nmass removal time(10^6) / time(10^5) = %.2f (linear: about 10)\n", large / medium);
    return 0;
}
