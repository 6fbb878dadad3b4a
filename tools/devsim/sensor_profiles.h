// Sensors the simulator can carry: a name, the 256-byte memory image the
// sensor starts with, and how its live values behave.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gvc::devsim {

using SensorMemory = std::array<std::uint8_t, 256>;

struct SensorProfile {
    std::string name;
    std::string description;
    SensorMemory memory{};
    // ADC codes in zero gas and in the reference gas; the chamber moves between them.
    std::uint16_t zeroCode = 0x8000;
    std::uint16_t referenceCode = 0x8000;
    // Chamber temperature in tenths of a degree Celsius.
    int temperatureTenths = 235;
    // Low byte of the live status word (bit 0 sensor reachable, bit 1 element on, ...).
    std::uint8_t statusByte = 0x03;
    // The digital front end never reports ready (reads non-zero at 0x10).
    bool frontEndNeverReady = false;
};

// Every profile; the first is the default.
const std::vector<SensorProfile>& SensorProfiles();
// The profile of that name, or nullptr.
const SensorProfile* FindSensorProfile(std::string_view name);

// Little-endian stores into a memory image, for building profiles.
void Put8(SensorMemory& memory, std::uint8_t address, std::uint8_t value);
void Put16(SensorMemory& memory, std::uint8_t address, std::uint16_t value);
void Put32(SensorMemory& memory, std::uint8_t address, std::uint32_t value);
std::uint32_t Get(const SensorMemory& memory, std::uint8_t address, std::uint8_t length);

}  // namespace gvc::devsim
