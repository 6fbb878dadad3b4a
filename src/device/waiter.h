// The pause before each reply is read. Production code sleeps on a monotonic
// clock; tests inject an instant waiter so that protocol tests run at once.
#pragma once

namespace gvc {

class Waiter {
  public:
    virtual ~Waiter() = default;
    // Returns after at least `hundredths` hundredths of a second.
    virtual void WaitHundredths(int hundredths) = 0;
};

// Sleeps on the steady clock: no busy wait, unaffected by midnight or by
// changes of the wall clock.
class SleepingWaiter : public Waiter {
  public:
    void WaitHundredths(int hundredths) override;
};

// Returns at once; counts the hundredths it was asked for.
class InstantWaiter : public Waiter {
  public:
    void WaitHundredths(int hundredths) override { requested_ += hundredths > 0 ? hundredths : 0; }
    long Requested() const { return requested_; }

  private:
    long requested_ = 0;
};

}  // namespace gvc
