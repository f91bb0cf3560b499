#pragma once

#include <cstdint>

// The pace of steady ticks: each is due 50 ms after the one before was due, not 50 ms after it began, so
// that the event loop's lateness (a millisecond here and there) does not add up to fewer than 20 ticks a
// second. A tick that begins well after it was due, because the one before overran, sets the pace afresh
// from its own start: the ticks after it do not hurry to make up for it.
class SteadyPace {
public:
    static constexpr std::int64_t kPeriodNs = 50'000'000;
    static constexpr std::int64_t kSlackNs = 5'000'000;

    // A tick begins at beganNs; onPace says the timer that started it was set from Delay().
    void Begin(std::int64_t beganNs, bool onPace)
    {
        if (!onPace || beganNs - dueNs_ > kSlackNs)
            dueNs_ = beganNs;
    }
    // Whole milliseconds from nowNs, when the tick's work is done, until the next tick is due (rounded up:
    // a timer never fires early), 0 when it is already due.
    int Delay(std::int64_t nowNs)
    {
        dueNs_ += kPeriodNs;
        const std::int64_t left = dueNs_ - nowNs;
        return left <= 0 ? 0 : static_cast<int>((left + 999'999) / 1'000'000);
    }

private:
    std::int64_t dueNs_ = 0;
};
