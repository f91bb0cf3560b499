#pragma once

#include "particle/ParticleExport.h"

#include <cstddef>
#include <type_traits>

// The one place where the engine uses more than one thread. A loop is cut into slices, one per thread;
// the calling thread works the first slice itself and the pool's threads the others. The pool starts
// its threads on the first loop that is worth splitting and keeps them for the life of the program, so
// a step allocates nothing and pays a wake-up, not a thread start.
//
// Loops stay on the calling thread below their threshold, when MIRRIM_THREADS=1, while another loop is
// using the pool, and always in a build with MIRRIM_SINGLE_THREAD (the browser's, which has no threads).
// Every caller cuts its work so that the result is the same, bit for bit, however it was cut.
namespace parallel {

// Threads a loop may use: MIRRIM_THREADS when it holds a number from 1 to kMaxThreads, otherwise 2 on a
// machine with two cores or more.
PARTICLE_EXPORT int ThreadCount();
constexpr int kMaxThreads = 8;

// For tests and benchmarks: threads from 1 to kMaxThreads replaces MIRRIM_THREADS, 0 goes back to it.
// With splitSmallLoops every loop of two items or more is split, whatever its threshold.
PARTICLE_EXPORT void Configure(int threads, bool splitSmallLoops);

// Threads the pool has started, and loops it has run split over threads, since the program began.
PARTICLE_EXPORT long ThreadsStarted();
PARTICLE_EXPORT long LoopsSplit();

// How many slices a loop of `work` items should have, when each slice should get at least
// `minimumPerSlice` of them.
PARTICLE_EXPORT int SliceCount(std::size_t work, std::size_t minimumPerSlice);

// Runs body(slice) for every slice from 0 to slices - 1 and returns when all have run: slice 0 on the
// calling thread, the others on the pool's threads. The body must not throw.
template <typename Body> void RunSlices(int slices, Body&& body);

// body(begin, end) over contiguous ranges that together cover [0, count) once, in SliceCount(count,
// minimumPerSlice) slices.
template <typename Body> void ForEachRange(std::size_t count, std::size_t minimumPerSlice, Body&& body)
{
    const int slices = SliceCount(count, minimumPerSlice);
    RunSlices(slices, [&](int slice) {
        const auto n = static_cast<std::size_t>(slices);
        body(count * static_cast<std::size_t>(slice) / n, count * static_cast<std::size_t>(slice + 1) / n);
    });
}

namespace detail {
// Runs every slice of a job, slice 0 on the caller and the others on the pool, and returns when all are
// done; false, with nothing run, when the pool cannot take the job (it is busy with another loop, or this
// build has no threads).
PARTICLE_EXPORT bool RunOnPool(int slices, void (*work)(void* context, int slice), void* context);
} // namespace detail

template <typename Body> void RunSlices(int slices, Body&& body)
{
    using Type = std::remove_reference_t<Body>;
    if (slices > 1) {
        auto work = [](void* context, int slice) { (*static_cast<Type*>(context))(slice); };
        if (detail::RunOnPool(slices, work, &body))
            return;
    }
    for (int slice = 0; slice < slices; ++slice)
        body(slice);
}

} // namespace parallel
