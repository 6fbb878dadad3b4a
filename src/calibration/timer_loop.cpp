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
    for (;;) {
        const LoopClock::time_point now = time.Now();
        if (ticks.DrawOn() && !drawOn) schedule.draw.Start(now);
        if (ticks.SampleOn() && !sampleOn) schedule.sample.Start(now);
        drawOn = ticks.DrawOn();
        sampleOn = ticks.SampleOn();
        if (!drawOn && !sampleOn) return;

        LoopClock::time_point wake = LoopClock::time_point::max();
        if (drawOn) wake = std::min(wake, schedule.draw.Deadline());
        if (sampleOn) wake = std::min(wake, schedule.sample.Deadline());
        time.SleepUntil(wake);

        const LoopClock::time_point woke = time.Now();
        if (drawOn && ticks.DrawOn() && schedule.draw.Due(woke)) {
            ticks.DrawTick();
            schedule.draw.Advance(time.Now());
        }
        if (sampleOn && ticks.SampleOn() && schedule.sample.Due(woke)) {
            ticks.SampleTick();
            schedule.sample.Advance(time.Now());
        }
    }
}

}  // namespace gvc
