#include "calibration/timer_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace gvc {
namespace {

using std::chrono::milliseconds;

// A clock that moves only when the loop sleeps or a tick spends time.
class FakeTime : public LoopTime {
public:
    LoopClock::time_point Now() override { return now; }
    void SleepUntil(LoopClock::time_point when) override { now = std::max(now, when); }
    long Ms() const {
        return static_cast<long>(std::chrono::duration_cast<milliseconds>(now - start).count());
    }

    const LoopClock::time_point start{std::chrono::hours(1)};
    LoopClock::time_point now = start;
};

// Sample ticks that spend the given times (their exchanges, or a question
// answered inside), then both timers go off; draw ticks spend nothing.
class ScriptedTicks : public TimedTicks {
public:
    ScriptedTicks(FakeTime& time, std::vector<long> sampleMs) : time_(time), sampleMs_(std::move(sampleMs)) {}
    bool DrawOn() const override { return on_; }
    bool SampleOn() const override { return on_; }
    void DrawTick() override { draws.push_back(time_.Ms()); }
    void SampleTick() override {
        samples.push_back(time_.Ms());
        time_.now += milliseconds(sampleMs_[samples.size() - 1]);
        on_ = samples.size() < sampleMs_.size();
    }

    std::vector<long> samples;  // start of each sample tick, ms from the start
    std::vector<long> draws;

private:
    FakeTime& time_;
    std::vector<long> sampleMs_;
    bool on_ = true;
};

TEST(TimerLoop, SamplesKeepAFixedRateWhateverATickSpends) {
    struct Case {
        const char* what;
        std::vector<long> sampleMs;
        std::vector<long> starts;
    } const cases[] = {
        {"instant ticks", {0, 0, 0, 0}, {500, 1000, 1500, 2000}},
        // Three exchanges of about 100 ms each: the rhythm holds.
        {"300 ms ticks", {300, 300, 300, 300}, {500, 1000, 1500, 2000}},
        {"just within the period", {499, 499, 499}, {500, 1000, 1500}},
        // More than a period late: the rhythm continues from the tick's end.
        {"700 ms ticks", {700, 700, 700}, {500, 1700, 2900}},
        {"a 3 s question in the second tick", {300, 3000, 300, 300}, {500, 1000, 4500, 5000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeTime time;
        ScriptedTicks ticks(time, c.sampleMs);
        TimerSchedule schedule;
        RunTimerLoop(ticks, time, schedule);
        EXPECT_EQ(ticks.samples, c.starts);
    }
}

TEST(TimerLoop, DrawTicksEveryTenthAndBeforeTheSampleOfTheSameMoment) {
    FakeTime time;
    std::vector<std::string> order;
    class Ordered : public ScriptedTicks {
    public:
        Ordered(FakeTime& t, std::vector<std::string>& o) : ScriptedTicks(t, {0, 0}), order_(o), t_(t) {}
        void DrawTick() override {
            order_.push_back("d" + std::to_string(t_.Ms()));
            ScriptedTicks::DrawTick();
        }
        void SampleTick() override {
            order_.push_back("s" + std::to_string(t_.Ms()));
            ScriptedTicks::SampleTick();
        }

    private:
        std::vector<std::string>& order_;
        FakeTime& t_;
    } ticks(time, order);
    TimerSchedule schedule;
    RunTimerLoop(ticks, time, schedule);
    EXPECT_EQ(order, (std::vector<std::string>{"d100", "d200", "d300", "d400", "d500", "s500", "d600", "d700",
                                               "d800", "d900", "d1000", "s1000"}));
}

// Sample ticks that switch both timers off and on again inside themselves (a
// stage ends and the next question is answered at once), after spending the
// given time; the run ends after the given number of samples.
class RestartingTicks : public TimedTicks {
public:
    RestartingTicks(FakeTime& time, int restartAt, long spentMs)
        : time_(time), restartAt_(restartAt), spentMs_(spentMs) {}
    bool DrawOn() const override { return samples.size() < 4; }
    bool SampleOn() const override { return samples.size() < 4; }
    unsigned DrawStarts() const override { return starts_; }
    unsigned SampleStarts() const override { return starts_; }
    void DrawTick() override { draws.push_back(time_.Ms()); }
    void SampleTick() override {
        samples.push_back(time_.Ms());
        if (static_cast<int>(samples.size()) != restartAt_) return;
        time_.now += milliseconds(spentMs_);
        ++starts_;
    }

    std::vector<long> samples;
    std::vector<long> draws;

private:
    FakeTime& time_;
    int restartAt_;
    long spentMs_;
    unsigned starts_ = 0;
};

TEST(TimerLoop, ATimerSwitchedOffAndOnInsideATickStartsItsFullPeriodThen) {
    struct Case {
        const char* what;
        int restartAt;
        long spentMs;
        std::vector<long> samples;
        long firstDrawAfterRestart;
    } const cases[] = {
        // The answer comes 100 ms into the second tick: the next sample is a
        // whole period after it, not 400 ms on the old grid.
        {"answered after 100 ms", 2, 100, {500, 1000, 1600, 2100}, 1200},
        {"answered at once", 1, 0, {500, 1000, 1500, 2000}, 600},
        {"answered after 2.3 s", 3, 2300, {500, 1000, 1500, 4300}, 3900},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeTime time;
        RestartingTicks ticks(time, c.restartAt, c.spentMs);
        TimerSchedule schedule;
        RunTimerLoop(ticks, time, schedule);
        EXPECT_EQ(ticks.samples, c.samples);
        const long restartedAt = ticks.samples[static_cast<std::size_t>(c.restartAt - 1)] + c.spentMs;
        const auto next = std::find_if(ticks.draws.begin(), ticks.draws.end(),
                                       [restartedAt](long t) { return t > restartedAt; });
        ASSERT_NE(next, ticks.draws.end());
        EXPECT_EQ(*next, c.firstDrawAfterRestart);
    }
}

TEST(FixedRateDeadline, StartsAPeriodAwayAndAdvancesFromTheDeadline) {
    const LoopClock::time_point t0{std::chrono::seconds(10)};
    FixedRateDeadline d(milliseconds(500));
    d.Start(t0);
    EXPECT_EQ(d.Deadline(), t0 + milliseconds(500));
    EXPECT_FALSE(d.Due(t0 + milliseconds(499)));
    EXPECT_TRUE(d.Due(t0 + milliseconds(500)));
    d.Advance(t0 + milliseconds(800));  // within a period: the rhythm holds
    EXPECT_EQ(d.Deadline(), t0 + milliseconds(1000));
    d.Advance(t0 + milliseconds(1000));  // exactly on the next deadline: still holds
    EXPECT_EQ(d.Deadline(), t0 + milliseconds(1500));
    d.Advance(t0 + milliseconds(2600));  // more than a period late: from now
    EXPECT_EQ(d.Deadline(), t0 + milliseconds(3100));
}

}  // namespace
}  // namespace gvc
