// The calibration device with its sensor, as the PC sees it through 8-byte
// packets: answers from a 256-byte memory and the gas chamber, injects faults
// on request, and in its automatic mode follows a calibration run from the
// traffic. No input or output here; the caller owns the line and the clock.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
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

// How the sensor's flash treats a parameter write.
enum class FlashFault {
    kNone,
    kKeepsOld,           // acknowledges every write and stores nothing
    kSilentAfterWrite,   // after a flash write, reads of the flash get no reply
    kCorruptAfterWrite,  // after a flash write, reads of the flash come back with bit 0 of each byte flipped
};

// "keeps-old", "silent-after-write", "corrupt-after-write" or "none".
const char* FlashFaultName(FlashFault fault);
bool ParseFlashFault(std::string_view name, FlashFault& fault);

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
    // The flash's behaviour from now on (a fault after a write waits for the next write).
    void SetFlashFault(FlashFault fault);
    void SetGas(double fraction, double now) { chamber_.SetTarget(fraction, now); }
    // Automatic mode: a write into flash means zero gas; the reference gas
    // follows `delaySeconds` later, or (delay < 0) when the run's exchanges
    // show that the zero stage has ended (see RunFollower below).
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

    // The run as the program runs it, seen from the exchanges: after the
    // parameter write each sample is a status, a temperature and an ADC read
    // on a steady 500 ms rhythm; a stage is judged at the end of every window
    // of 60 samples, and a zero stage that has settled there stops the rhythm
    // while the reference question is open. So the first status read after a
    // window end tells whether the zero stage ended: it comes on the rhythm
    // when the stage goes on, and at least a whole sampling interval later
    // when the question came in between, however quickly it was answered.
    // A digital front end also says it outright (command 162).
    void FollowRunStart(double now);
    void FollowSample(double now);
    void FollowStatusRead(double now);
    void SwitchToReference(double now);
    bool followingZero_ = false;
    int windowSamples_ = 0;
    double windowLow_ = 0.0;   // lowest and highest share of reference gas
    double windowHigh_ = 0.0;  // in the chamber during the window
    double windowEndedAt_ = -1.0;
    bool windowFlat_ = false;
    bool frontEndRun_ = false;

    FlashFault flashFault_ = FlashFault::kNone;
    bool flashWritten_ = false;  // a flash write came since the flash fault was set
    bool flashChanged_ = false;
    std::uint64_t exchanges_ = 0;
};

// The program's stability window, in samples (30 s of 500 ms samples).
inline constexpr int kSamplesPerWindow = 60;
// From an ADC request to the next status request: 0.3 s on the rhythm (the
// three requests of a sample start 0.1 s apart every 0.5 s), at least 0.6 s
// when a question came in between (the reply, then the whole interval).
inline constexpr double kStageEndGapSeconds = 0.45;
// A pause this long after a window end is a question even if the chamber was
// still moving (a slow chamber with a wide stability limit).
inline constexpr double kCertainStageEndGapSeconds = 1.0;
// A window counts as flat when the chamber moved less than this share of the
// way between zero and reference gas.
inline constexpr double kFlatWindowShare = 0.01;
// Commands of a digital front end: a calibration starts; the zero gas has
// settled. A run with a front end says where its zero stage ends, so its
// pauses are not read (its first window never counts as settled).
inline constexpr std::uint32_t kFrontEndCalibrationStart = 161;
inline constexpr std::uint32_t kFrontEndZeroSettled = 162;

}  // namespace gvc::devsim
