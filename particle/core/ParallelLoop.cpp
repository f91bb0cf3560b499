#include "particle/core/ParallelLoop.h"

#include <atomic>
#include <cstdlib>

#ifndef MIRRIM_SINGLE_THREAD
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>
#endif

namespace parallel {
namespace {

std::atomic<int> configuredThreads { 0 };
std::atomic<bool> splitSmall { false };
std::atomic<long> started { 0 };
std::atomic<long> split { 0 };

#ifndef MIRRIM_SINGLE_THREAD

// MIRRIM_THREADS as a whole number from 1 to kMaxThreads; 0 for anything else.
int threadsFromEnvironment()
{
    const char* text = std::getenv("MIRRIM_THREADS");
    if (!text || !*text)
        return 0;
    int value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9' || value > kMaxThreads)
            return 0;
        value = value * 10 + (*c - '0');
    }
    return value >= 1 && value <= kMaxThreads ? value : 0;
}

// Set on a thread while it works a slice: a loop started from inside a slice runs where it is.
thread_local bool inSlice = false;

// Threads that wait for jobs. A job's slices are handed out one at a time under the mutex, to the pool's
// threads and to the caller alike, so a caller whose helpers are slow to wake (a busy machine) simply
// works the rest itself instead of waiting for them.
class Pool {
public:
    ~Pool()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    bool run(int slices, void (*work)(void*, int), void* context)
    {
        if (inSlice)
            return false;
        std::unique_lock<std::mutex> job(busy_, std::try_to_lock);
        if (!job.owns_lock())
            return false; // another loop, on another of the host's threads, is using the pool
        startThreads(slices - 1);
        split.fetch_add(1);
        std::unique_lock<std::mutex> lock(mutex_);
        work_ = work;
        context_ = context;
        slices_ = slices;
        next_ = 1;
        unfinished_ = slices - 1;
        lock.unlock();
        wake_.notify_all();
        inSlice = true;
        work(context, 0);
        lock.lock();
        while (next_ < slices_) {
            const int slice = next_++;
            lock.unlock();
            work(context, slice);
            lock.lock();
            --unfinished_;
        }
        inSlice = false;
        done_.wait(lock, [this] { return unfinished_ == 0; });
        slices_ = 0;
        return true;
    }

private:
    void startThreads(int wanted)
    {
        // Only the first jobs start threads; a machine that cannot start one still runs every slice.
        while (static_cast<int>(threads_.size()) < wanted) {
            try {
                threads_.emplace_back([this] { serve(); });
            } catch (...) {
                return;
            }
            started.fetch_add(1);
        }
    }

    void serve()
    {
        inSlice = true;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || next_ < slices_; });
            if (stop_)
                return;
            const int slice = next_++;
            void (*work)(void*, int) = work_;
            void* context = context_;
            lock.unlock();
            work(context, slice);
            lock.lock();
            if (--unfinished_ == 0)
                done_.notify_one();
        }
    }

    std::mutex busy_; // held by the caller for a whole job
    std::mutex mutex_; // guards everything below
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<std::thread> threads_;
    void (*work_)(void*, int) = nullptr;
    void* context_ = nullptr;
    int slices_ = 0;
    int next_ = 0;
    int unfinished_ = 0;
    bool stop_ = false;
};

Pool& pool()
{
    static Pool instance;
    return instance;
}

#endif

} // namespace

int ThreadCount()
{
#ifdef MIRRIM_SINGLE_THREAD
    return 1;
#else
    if (const int configured = configuredThreads.load())
        return configured;
    static const int fromEnvironment = [] {
        if (const int n = threadsFromEnvironment())
            return n;
        return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
    }();
    return fromEnvironment;
#endif
}

void Configure(int threads, bool splitSmallLoops)
{
    configuredThreads.store(threads >= 1 && threads <= kMaxThreads ? threads : 0);
    splitSmall.store(splitSmallLoops);
}

long ThreadsStarted()
{
    return started.load();
}

long LoopsSplit()
{
    return split.load();
}

int SliceCount(std::size_t work, std::size_t minimumPerSlice)
{
    const std::size_t least = splitSmall.load() || minimumPerSlice == 0 ? 1 : minimumPerSlice;
    const std::size_t worth = work / least;
    const auto threads = static_cast<std::size_t>(ThreadCount());
    return static_cast<int>(worth < 1 ? 1 : worth < threads ? worth : threads);
}

namespace detail {

bool RunOnPool(int slices, void (*work)(void*, int), void* context)
{
#ifdef MIRRIM_SINGLE_THREAD
    (void)slices;
    (void)work;
    (void)context;
    return false;
#else
    return pool().run(slices, work, context);
#endif
}

} // namespace detail
} // namespace parallel
