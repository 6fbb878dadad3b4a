#include "device/waiter.h"

#include <chrono>
#include <thread>

namespace gvc {

void SleepingWaiter::WaitHundredths(int hundredths) {
    if (hundredths <= 0) return;
    const auto target = std::chrono::steady_clock::now() + std::chrono::milliseconds(10LL * hundredths);
    // sleep_until may wake early on some systems; go on until the target.
    while (std::chrono::steady_clock::now() < target)
        std::this_thread::sleep_until(target);
}

}  // namespace gvc
