#include "device_simulator.h"

#include <algorithm>
#include <cstdio>

namespace gvc::devsim {

namespace {

constexpr std::uint8_t kLiveEnd = 0x20;
constexpr std::uint8_t kStatusAddress = 0x00;
constexpr std::uint8_t kTemperatureAddress = 0x06;
constexpr std::uint8_t kAdcAddress = 0x0C;
constexpr std::uint8_t kFrontEndAddress = 0x10;

const char* CommandName(std::uint8_t command) {
    switch (command) {
        case 0:
            return "probe";
        case 1:
            return "read";
        case 2:
            return "write";
        default:
            return "unknown";
    }
}

const char* FaultName(Fault fault) {
    switch (fault) {
        case Fault::kStatus:
            return "status";
        case Fault::kShortReply:
            return "short";
        case Fault::kWrongCommand:
            return "wrong-command";
        case Fault::kWrongAddress:
            return "wrong-address";
        case Fault::kWrongLength:
            return "wrong-length";
        case Fault::kLateReply:
            return "late";
        case Fault::kStrayBytes:
            return "stray";
        case Fault::kSilent:
            return "silent";
        case Fault::kUnplug:
            return "unplug";
    }
    return "?";
}

constexpr std::pair<FlashFault, const char*> kFlashFaultNames[] = {
    {FlashFault::kNone, "none"},
    {FlashFault::kKeepsOld, "keeps-old"},
    {FlashFault::kSilentAfterWrite, "silent-after-write"},
    {FlashFault::kCorruptAfterWrite, "corrupt-after-write"},
};

}  // namespace

const char* FlashFaultName(FlashFault fault) {
    for (const auto& [value, name] : kFlashFaultNames) {
        if (value == fault) return name;
    }
    return "?";
}

bool ParseFlashFault(std::string_view name, FlashFault& fault) {
    for (const auto& [value, text] : kFlashFaultNames) {
        if (name == text) {
            fault = value;
            return true;
        }
    }
    return false;
}

void DeviceSimulator::SetFlashFault(FlashFault fault) {
    flashFault_ = fault;
    flashWritten_ = false;
}

DeviceSimulator::DeviceSimulator(const SensorProfile& profile, const SensorMemory& memory,
                                 GasChamber& chamber)
    : profile_(profile), memory_(memory), chamber_(chamber), temperatureTenths_(profile.temperatureTenths) {}

void DeviceSimulator::SetFault(Fault fault, int count, std::uint8_t status) {
    faultSet_ = true;
    fault_ = fault;
    faultStatus_ = static_cast<std::uint8_t>(status & 0x0F);
    faultCount_ = count < 0 ? 0 : count;
}

void DeviceSimulator::ClearFault() {
    faultSet_ = false;
}

void DeviceSimulator::SetAutomatic(bool on, double delaySeconds) {
    automatic_ = on;
    autoDelay_ = delaySeconds;
}

bool DeviceSimulator::TakeFlashChanged() {
    const bool changed = flashChanged_;
    flashChanged_ = false;
    return changed;
}

void DeviceSimulator::Tick(double now) {
    if (!automatic_ || !zeroStage_ || autoDelay_ < 0.0) return;
    if (now - zeroStageSince_ >= autoDelay_) {
        zeroStage_ = false;
        chamber_.SetTarget(1.0, now);
    }
}

void DeviceSimulator::FollowRunStart(double now) {
    followingZero_ = true;
    frontEndRun_ = false;
    windowSamples_ = 0;
    windowEndedAt_ = -1.0;
    windowLow_ = windowHigh_ = chamber_.Fraction(now);
}

void DeviceSimulator::FollowSample(double now) {
    if (!followingZero_) return;
    const double share = chamber_.Fraction(now);
    if (windowSamples_ == 0) windowLow_ = windowHigh_ = share;
    windowLow_ = std::min(windowLow_, share);
    windowHigh_ = std::max(windowHigh_, share);
    if (++windowSamples_ < kSamplesPerWindow) return;
    windowSamples_ = 0;
    windowEndedAt_ = now;
    windowFlat_ = windowHigh_ - windowLow_ < kFlatWindowShare;
}

void DeviceSimulator::FollowStatusRead(double now) {
    if (!followingZero_ || frontEndRun_ || windowEndedAt_ < 0.0) return;
    const double gap = now - windowEndedAt_;
    windowEndedAt_ = -1.0;
    if (gap >= kCertainStageEndGapSeconds || (gap >= kStageEndGapSeconds && windowFlat_))
        SwitchToReference(now);
}

void DeviceSimulator::SwitchToReference(double now) {
    followingZero_ = false;
    windowEndedAt_ = -1.0;
    chamber_.SetTarget(1.0, now);
}

std::uint32_t DeviceSimulator::ReadValue(std::uint8_t address, std::uint8_t length, double now) {
    SensorMemory view = memory_;
    if (address < kLiveEnd) {
        // The live area is measured at the moment of the read.
        Put16(view, kStatusAddress, profile_.statusByte);
        const std::uint32_t scale = Get(memory_, 0x2A, 2);
        const std::uint32_t offset = Get(memory_, 0x2C, 2);
        const long long tenths = chamber_.TemperatureTenths(now, temperatureTenths_);
        long long code = (tenths + static_cast<long long>(offset)) * static_cast<long long>(scale) / 1000;
        if (code < 0) code = 0;
        if (code > 0xFFFF) code = 0xFFFF;
        Put16(view, kTemperatureAddress, static_cast<std::uint16_t>(code));
        Put16(view, kAdcAddress, chamber_.AdcCode(now, profile_.zeroCode, profile_.referenceCode));
        Put8(view, kFrontEndAddress, profile_.frontEndNeverReady ? 0xFF : 0x00);
        if (address <= kAdcAddress && kAdcAddress < address + length) FollowSample(now);
        if (address == kStatusAddress) FollowStatusRead(now);
    } else if (flashFault_ == FlashFault::kCorruptAfterWrite && flashWritten_) {
        for (std::size_t i = 0; i < length && address + i < view.size(); ++i)
            view[address + i] ^= 0x01;
    }
    return Get(view, address, length);
}

void DeviceSimulator::WriteValue(std::uint8_t address, std::uint8_t length, std::uint32_t value, double now) {
    const bool flash = address >= kLiveEnd;
    // A flash that keeps its old bytes acknowledges the write all the same.
    if (!flash || flashFault_ != FlashFault::kKeepsOld) {
        for (std::size_t i = 0; i < length && i < 4 && address + i < memory_.size(); ++i)
            memory_[address + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    if (flash) {
        flashWritten_ = true;
        flashChanged_ = flashChanged_ || flashFault_ != FlashFault::kKeepsOld;
        if (automatic_) {
            // Parameters are written when a run starts: zero gas from now on.
            zeroStage_ = true;
            zeroStageSince_ = now;
            chamber_.SetTarget(0.0, now);
            if (autoDelay_ < 0.0) FollowRunStart(now);
        }
    } else if (address == kFrontEndAddress && automatic_ && followingZero_) {
        if ((value & 0xFF) == kFrontEndCalibrationStart) frontEndRun_ = true;
        if ((value & 0xFF) == kFrontEndZeroSettled) SwitchToReference(now);
    }
}

Response DeviceSimulator::Handle(const Packet& request, double now) {
    ++exchanges_;
    const std::uint8_t command = request[0];
    const std::uint8_t address = request[1];
    const std::uint8_t length = request[2];
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(request[3 + i]) << (8 * i);

    bool faulty = faultSet_;
    const Fault fault = fault_;
    if (faulty && faultCount_ > 0 && --faultCount_ == 0) faultSet_ = false;

    Response response;
    char line[96];
    const char* outcome = faulty ? FaultName(fault) : "ok";
    if (faulty && fault == Fault::kStatus) {
        std::snprintf(line, sizeof line, "status%u", unsigned{faultStatus_});
        response.logLine = line;
    }

    // A faulty device or sensor does not carry out the request.
    std::uint8_t status = 0;
    std::uint32_t replyValue = 0;
    if (command > 2) {
        status = 1;
    } else if (!faulty || fault == Fault::kWrongCommand || fault == Fault::kWrongAddress ||
               fault == Fault::kWrongLength || fault == Fault::kShortReply || fault == Fault::kLateReply ||
               fault == Fault::kStrayBytes) {
        if (command == 1) replyValue = ReadValue(address, length, now);
        if (command == 2) {
            WriteValue(address, length, value, now);
            replyValue = value;
        }
    }
    if (faulty && fault == Fault::kStatus) status = faultStatus_;

    Packet reply{};
    reply[0] = static_cast<std::uint8_t>(status << 4 | (command & 0x0F));
    reply[1] = address;
    reply[2] = length;
    for (std::size_t i = 0; i < 4; ++i)
        reply[3 + i] = static_cast<std::uint8_t>(replyValue >> (8 * i));
    if (faulty) {
        switch (fault) {
            case Fault::kWrongCommand:
                reply[0] = static_cast<std::uint8_t>((reply[0] & 0xF0) | ((command + 1) & 0x0F));
                break;
            case Fault::kWrongAddress:
                reply[1] = static_cast<std::uint8_t>(address + 1);
                break;
            case Fault::kWrongLength:
                reply[2] = static_cast<std::uint8_t>(length + 1);
                break;
            case Fault::kLateReply:
                response.delaySeconds = lateSeconds_;
                break;
            case Fault::kStrayBytes:
                response.bytes = {0x0F, 0xEE, 0xEE};
                break;
            case Fault::kUnplug:
                response.unplug = true;
                break;
            default:
                break;
        }
    }
    // A flash that went quiet after a write answers no read of it.
    const bool quietFlash =
        command == 1 && address >= kLiveEnd && flashWritten_ && flashFault_ == FlashFault::kSilentAfterWrite;
    if (quietFlash) outcome = "flash-silent";
    const bool silent = (faulty && (fault == Fault::kSilent || fault == Fault::kUnplug)) || quietFlash;
    if (!silent) {
        const std::size_t size = faulty && fault == Fault::kShortReply ? reply.size() - 1 : reply.size();
        response.bytes.insert(response.bytes.end(), reply.begin(), reply.begin() + static_cast<long>(size));
    }

    std::snprintf(line, sizeof line, "%llu %s %02X %u %08X %s", static_cast<unsigned long long>(exchanges_),
                  CommandName(command), unsigned{address}, unsigned{length},
                  command == 1 ? replyValue : value,
                  response.logLine.empty() ? outcome : response.logLine.c_str());
    response.logLine = line;
    return response;
}

}  // namespace gvc::devsim
