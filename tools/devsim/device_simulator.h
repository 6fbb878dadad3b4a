// The calibration device with its sensor, as the PC sees it through 8-byte
// packets: answers from a 256-byte memory and the gas chamber, injects faults
// on request, and in its automatic mode follows a calibration run from the
// traffic. No input or output here; the caller owns the line and the clock.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gas_chamber.h"
#include "sensor_profiles.h"

namespace gvc::devsim {

using Packet = std::array<std::uint8_t, 8>;

enum class Fault {
    kStatus,        // reply with a status code (1..15) in the high nibble
    kShortReply,    // seven bytes instead of eight
    kWrongCommand,  // echo another command
    kWrongAddress,  // echo another address
    kWrongLength,   // echo another length
    kLateReply,     // reply after the PC has given up reading
    kStrayBytes,    // three bytes of noise before the reply
    kSilent,        // no reply at all: the sensor has stopped answering
    kUnplug,        // no reply, and the device goes away
};

struct Response {
    std::vector<std::uint8_t> bytes;  // what goes on the line
    double delaySeconds = 0.0;        // when, after the request
    bool unplug = false;              // the device disappears instead of replying
    std::string logLine;              // one line for the traffic log
};

class DeviceSimulator {
public:
    DeviceSimulator(const SensorProfile& profile, const SensorMemory& memory, GasChamber& chamber);

    Response Handle(const Packet& request, double now);

    // The fault applies to the next `count` requests; 0 means until cleared.
    void SetFault(Fault fault, int count, std::uint8_t status = 0);
    void ClearFault();
    void SetGas(double fraction, double now) { chamber_.SetTarget(fraction, now); }
    // Automatic mode: a write into flash means zero gas; the reference gas
    // follows `delaySeconds` later, or (delay < 0) when sampling pauses after
    // the zero stage has been sampled.
    void SetAutomatic(bool on, double delaySeconds);
    // Lets automatic mode act on time; call it regularly.
    void Tick(double now);
    void SetLateSeconds(double seconds) { lateSeconds_ = seconds; }
    void SetTemperature(int tenths) { temperatureTenths_ = tenths; }

    const SensorMemory& Memory() const { return memory_; }
    // True once after flash contents were written.
    bool TakeFlashChanged();
    std::uint64_t Exchanges() const { return exchanges_; }

private:
    std::uint32_t ReadValue(std::uint8_t address, std::uint8_t length, double now);
    void WriteValue(std::uint8_t address, std::uint8_t length, std::uint32_t value, double now);

    const SensorProfile& profile_;
    SensorMemory memory_;
    GasChamber& chamber_;
    int temperatureTenths_;

    bool faultSet_ = false;
    Fault fault_ = Fault::kStatus;
    std::uint8_t faultStatus_ = 0;
    int faultCount_ = 0;
    double lateSeconds_ = 0.4;

    bool automatic_ = false;
    double autoDelay_ = -1.0;
    bool zeroStage_ = false;
    double zeroStageSince_ = 0.0;
    bool sampled_ = false;
    double lastSample_ = 0.0;

    bool flashChanged_ = false;
    std::uint64_t exchanges_ = 0;
};

// Sampling that stops for longer than this counts as a pause (the program
// samples every half second).
inline constexpr double kSamplingPauseSeconds = 1.5;

}  // namespace gvc::devsim
