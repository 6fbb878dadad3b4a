// The calibration run's two timers outside a window (gvc-cli calibrate): a
// draw tick every 100 ms and a sample tick every 500 ms, each on a fixed-rate
// schedule as a window's timers keep it, so that the time a tick spends in its
// exchanges does not stretch the stage clock.
#pragma once

#include <chrono>

namespace gvc {

using LoopClock = std::chrono::steady_clock;

// One timer's deadline. The next deadline is the previous one plus the period;
// a tick that ends more than a period late continues the rhythm from its end.
class FixedRateDeadline {
public:
    explicit FixedRateDeadline(LoopClock::duration period) : period_(period) {}

    // The timer starts (or starts again): the first deadline is a period away.
    void Start(LoopClock::time_point now) { deadline_ = now + period_; }
    // The tick of the current deadline ended at `now`.
    void Advance(LoopClock::time_point now) {
        deadline_ += period_;
        if (now > deadline_) deadline_ = now + period_;
    }

    bool Due(LoopClock::time_point now) const { return now >= deadline_; }
    LoopClock::time_point Deadline() const { return deadline_; }
    LoopClock::duration Period() const { return period_; }

private:
    LoopClock::duration period_;
    LoopClock::time_point deadline_{};
};

// What the loop drives: two timers, each on or off, and their ticks.
class TimedTicks {
public:
    virtual ~TimedTicks() = default;
    virtual bool DrawOn() const = 0;
    virtual bool SampleOn() const = 0;
    virtual void DrawTick() = 0;
    virtual void SampleTick() = 0;
    // How many times each timer has been switched on so far. A timer switched
    // off and on again inside one tick shows only here: it starts its full
    // period anew, as a window's timer does.
    virtual unsigned DrawStarts() const { return 0; }
    virtual unsigned SampleStarts() const { return 0; }
};

// The clock the loop reads and sleeps on; tests give it a clock of their own.
class LoopTime {
public:
    virtual ~LoopTime() = default;
    virtual LoopClock::time_point Now() = 0;
    virtual void SleepUntil(LoopClock::time_point when) = 0;
};

// The steady clock and a real sleep (no busy wait).
class SteadyLoopTime : public LoopTime {
public:
    LoopClock::time_point Now() override;
    void SleepUntil(LoopClock::time_point when) override;
};

struct TimerSchedule {
    FixedRateDeadline draw{std::chrono::milliseconds(100)};
    FixedRateDeadline sample{std::chrono::milliseconds(500)};
};

// Runs the ticks while either timer is on: when both are due, the draw tick
// first. A timer that comes on (also off and on again within a tick) starts a
// full period later, as a window's timer does when it is started; a question
// asked inside a tick holds the rhythm and it continues from the tick's end.
void RunTimerLoop(TimedTicks& ticks, LoopTime& time, TimerSchedule& schedule);

}  // namespace gvc
