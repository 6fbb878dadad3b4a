#include "sensor_profiles.h"

namespace gvc::devsim {

namespace {

std::uint16_t DateWord(int day, int month, int year) {
    return static_cast<std::uint16_t>(((year - 2000) & 0x7F) << 9 | (month & 0x0F) << 5 | (day & 0x1F));
}

// A methane sensor (gas 1, type 0) with serial number 291, consistent pages:
// ascending resource bounds, neutral temperature correction.
SensorProfile Methane() {
    SensorProfile p;
    p.name = "default";
    p.description = "methane sensor, gas 1 type 0, serial 291";
    SensorMemory& m = p.memory;
    m.fill(0);
    // FLASH-P
    Put32(m, 0x20, 0x00010203);  // firmware version
    Put32(m, 0x24, 0x00000102);  // board version
    Put8(m, 0x28, 0x01);         // gas code
    Put16(m, 0x2A, 2000);        // temperature scale
    Put16(m, 0x2C, 400);         // temperature offset
    // FLASH-A
    Put8(m, 0x40, 0);
    Put32(m, 0x42, 1000);  // working resource now
    Put32(m, 0x46, 500);   // calibration resource now
    // FLASH-B
    Put16(m, 0x80, 1000);  // range top
    Put16(m, 0x82, DateWord(31, 12, 2030));
    Put16(m, 0x84, 900);
    Put16(m, 0x86, 200);
    Put16(m, 0x88, 400);
    Put32(m, 0x8A, static_cast<std::uint32_t>(-1234));  // zero offset
    Put32(m, 0x8E, 8192);                               // slope
    Put16(m, 0x92, DateWord(1, 6, 2027));
    Put16(m, 0x94, 100);
    Put8(m, 0x96, 3);     // calibrations done
    Put8(m, 0x97, 0x72);  // PGA gain 2, maximum 7
    Put16(m, 0x98, 0x1234);
    // FLASH-C
    Put8(m, 0xC0, 0);     // sensor kind
    Put8(m, 0xC1, 0x01);  // electrode code 1
    Put8(m, 0xC2, 0x00);
    Put8(m, 0xC3, 20);     // maximum calibrations
    Put32(m, 0xC4, 8192);  // initial slope
    for (std::uint8_t i = 0; i < 5; ++i) {
        Put16(m, static_cast<std::uint8_t>(0xC8 + 2 * i), 10000);  // 100 % at every range start
        Put16(m, static_cast<std::uint8_t>(0xD2 + 2 * i), 0);
    }
    Put16(m, 0xDC, 256);
    Put16(m, 0xDE, 256);
    Put16(m, 0xE0, 256);
    Put16(m, 0xE2, 600);
    Put16(m, 0xE4, 300);
    Put16(m, 0xE6, 0);
    Put32(m, 0xE8, (1u << 28) | (0u << 24) | 291u);  // gas 1, type 0, serial 291
    Put8(m, 0xEC, 10);
    Put8(m, 0xED, 0);
    Put16(m, 0xEE, static_cast<std::uint16_t>((1000 + 0xFFFF) / 2));
    Put16(m, 0xF0, 0);
    p.zeroCode = 0x8000 + 500;
    p.referenceCode = 0x8000 + 8500;
    return p;
}

// A sensor whose flash has never been written.
SensorProfile Erased() {
    SensorProfile p = Methane();
    p.name = "erased";
    p.description = "blank sensor: every flash byte 0xFF";
    for (std::size_t a = 0x20; a < p.memory.size(); ++a)
        p.memory[a] = 0xFF;
    return p;
}

// The table's simulator gas (code 0): admission refuses it.
SensorProfile SimulatorGas() {
    SensorProfile p = Methane();
    p.name = "simulator-gas";
    p.description = "gas code 0 without a serial number";
    Put8(p.memory, 0x28, 0x00);
    Put32(p.memory, 0xE8, 0);
    return p;
}

std::vector<SensorProfile> MakeProfiles() {
    return {Methane(), Erased(), SimulatorGas()};
}

}  // namespace

void Put8(SensorMemory& memory, std::uint8_t address, std::uint8_t value) {
    memory[address] = value;
}

void Put16(SensorMemory& memory, std::uint8_t address, std::uint16_t value) {
    for (std::size_t i = 0; i < 2 && address + i < memory.size(); ++i)
        memory[address + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Put32(SensorMemory& memory, std::uint8_t address, std::uint32_t value) {
    for (std::size_t i = 0; i < 4 && address + i < memory.size(); ++i)
        memory[address + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get(const SensorMemory& memory, std::uint8_t address, std::uint8_t length) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < length && i < 4 && address + i < memory.size(); ++i)
        value |= static_cast<std::uint32_t>(memory[address + i]) << (8 * i);
    return value;
}

const std::vector<SensorProfile>& SensorProfiles() {
    static const std::vector<SensorProfile> profiles = MakeProfiles();
    return profiles;
}

const SensorProfile* FindSensorProfile(std::string_view name) {
    for (const SensorProfile& profile : SensorProfiles()) {
        if (profile.name == name) return &profile;
    }
    return nullptr;
}

}  // namespace gvc::devsim
