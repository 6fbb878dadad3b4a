// The signals that ask gvc-cli to stop (SIGINT, SIGTERM, and SIGHUP where
// there is one), caught while a calibration run may have changed the sensor,
// so that the run ends with the sensor put back instead of the process dying.
#pragma once

namespace gvc::cli {

// While an object lives those signals only set a flag. A question waiting at
// the prompt returns at once (its answer counts as No).
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The number of the first signal caught, or 0.
    static int Caught();
};

}  // namespace gvc::cli
