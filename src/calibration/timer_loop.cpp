#include "calibration/timer_loop.h"

#include <algorithm>
#include <thread>

namespace gvc {

LoopClock::time_point SteadyLoopTime::Now() {
    return LoopClock::now();
}

void SteadyLoopTime::SleepUntil(LoopClock::time_point when) {
    std::this_thread::sleep_until(when);
}

void RunTimerLoop(TimedTicks& ticks, LoopTime& time, TimerSchedule& schedule) {
    bool drawOn = false;
    bool sampleOn = false;
    unsigned drawStarts = ticks.DrawStarts();
    unsigned sampleStarts = ticks.SampleStarts();
    for (;;) {
        const LoopClock::time_point now = time.Now();
        if (ticks.DrawOn() && (!drawOn || ticks.DrawStarts() != drawStarts)) schedule.draw.Start(now);
        if (ticks.SampleOn() && (!sampleOn || ticks.SampleStarts() != sampleStarts))
            schedule.sample.Start(now);
        drawOn = ticks.DrawOn();
        sampleOn = ticks.SampleOn();
        drawStarts = ticks.DrawStarts();
        sampleStarts = ticks.SampleStarts();
        if (!drawOn && !sampleOn) return;

        LoopClock::time_point wake = LoopClock::time_point::max();
        if (drawOn) wake = std::min(wake, schedule.draw.Deadline());
        if (sampleOn) wake = std::min(wake, schedule.sample.Deadline());
        time.SleepUntil(wake);

        // A timer started again inside a tick keeps no deadline of its old
        // rhythm: the top of the loop gives it a new one.
        const LoopClock::time_point woke = time.Now();
        if (drawOn && ticks.DrawOn() && ticks.DrawStarts() == drawStarts && schedule.draw.Due(woke)) {
            ticks.DrawTick();
            if (ticks.DrawStarts() == drawStarts) schedule.draw.Advance(time.Now());
        }
        if (sampleOn && ticks.SampleOn() && ticks.SampleStarts() == sampleStarts &&
            schedule.sample.Due(woke)) {
            ticks.SampleTick();
            if (ticks.SampleStarts() == sampleStarts) schedule.sample.Advance(time.Now());
        }
    }
}

}  // namespace gvc
