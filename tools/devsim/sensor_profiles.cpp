#include "sensor_profiles.h"

#include <cmath>

namespace gvc::devsim {

namespace {

std::uint16_t DateWord(int day, int month, int year) {
    return static_cast<std::uint16_t>(((year - 2000) & 0x7F) << 9 | (month & 0x0F) << 5 | (day & 0x1F));
}

// Nearest integer, halves away from zero, kept inside [lo, hi].
long Nearest(double x, long lo, long hi) {
    const double r = std::round(x);
    if (!(r > static_cast<double>(lo))) return lo;
    if (r > static_cast<double>(hi)) return hi;
    return static_cast<long>(r);
}

// What the sensor's factory programming stores, in the sensor's own terms:
// identity, scales, the stored levels as raw words, and the correction tables
// as percentages from which the stored coefficients are computed.
struct Factory {
    std::uint8_t gasCode = 1;
    std::uint8_t gasNumber = 1;
    std::uint8_t typeNumber = 0;
    std::uint32_t serialNumber = 291;
    std::uint16_t tempScale = 2000;
    std::uint16_t tempOffset = 500;
    std::uint32_t workResourceNowRaw = 1000;
    std::uint32_t calResourceNowRaw = 500;
    std::uint8_t multiplierCode = 1;
    std::uint8_t rangeExponent = 0;
    std::uint16_t rangeTop = 100;  // in the unit
    double thresholdA1 = 10.0;     // in the unit
    double thresholdA2 = 20.0;
    std::int32_t zeroOffset = -1234;
    std::int32_t slopeRaw = 8192;
    std::uint8_t calibrationCount = 3;
    std::uint8_t pgaGain = 2;
    std::uint8_t pgaGainMax = 5;
    std::uint8_t kind = 0;
    std::uint8_t electrode = 2;
    std::uint8_t measured = 0;
    std::uint8_t unit = 1;
    std::uint8_t maker = 0;
    std::uint8_t maxCalibrations = 24;
    std::int32_t initialSlopeRaw = 8192;
    double tempStart[5] = {100, 100, 100, 100, 100};  // percent at -40, -20, 0, 20, 40
    double tempEnd = 100;                             // percent at 60
    std::uint16_t resourceEnds[3] = {30, 60, 100};    // in the unit; the last is the range top
    double resourceStart[3] = {100, 106, 115};        // percent
    std::uint8_t sampleRate = 10;
};

SensorMemory Program(const Factory& f) {
    SensorMemory m{};
    const double scale = std::pow(10.0, f.multiplierCode) * std::pow(10.0, f.rangeExponent);
    // FLASH-P
    Put32(m, 0x20, 0x00010203);  // firmware version
    Put32(m, 0x24, 0x00000102);  // board version
    Put8(m, 0x28, f.gasCode);
    Put16(m, 0x2A, f.tempScale);
    Put16(m, 0x2C, f.tempOffset);
    // FLASH-A
    Put8(m, 0x40, 0);
    Put32(m, 0x42, f.workResourceNowRaw);
    Put32(m, 0x46, f.calResourceNowRaw);
    // FLASH-B
    const auto rangeTopRaw = static_cast<std::uint16_t>(Nearest(f.rangeTop * scale, 0, 0xFFFF));
    Put16(m, 0x80, rangeTopRaw);
    Put16(m, 0x82, DateWord(31, 12, 2030));
    Put16(m, 0x84, 900);
    Put16(m, 0x86, static_cast<std::uint16_t>(Nearest(f.thresholdA1 * scale, 0, 0xFFFF)));
    Put16(m, 0x88, static_cast<std::uint16_t>(Nearest(f.thresholdA2 * scale, 0, 0xFFFF)));
    Put32(m, 0x8A, static_cast<std::uint32_t>(f.zeroOffset));
    Put32(m, 0x8E, static_cast<std::uint32_t>(f.slopeRaw));
    Put16(m, 0x92, DateWord(1, 6, 2027));
    Put16(m, 0x94, 100);
    Put8(m, 0x96, f.calibrationCount);
    Put8(m, 0x97, static_cast<std::uint8_t>((f.pgaGainMax & 0x0F) << 4 | (f.pgaGain & 0x0F)));
    Put16(m, 0x98, 0x1234);
    // FLASH-C
    Put8(m, 0xC0, f.kind);
    Put8(m, 0xC1, static_cast<std::uint8_t>((f.unit & 7) << 5 | (f.measured & 7) << 2 | (f.electrode & 3)));
    Put8(m, 0xC2, static_cast<std::uint8_t>((f.multiplierCode & 3) << 4 | (f.maker & 0x0F)));
    Put8(m, 0xC3, f.maxCalibrations);
    Put32(m, 0xC4, static_cast<std::uint32_t>(f.initialSlopeRaw));
    // Each temperature range as a straight line in temperature codes.
    for (int i = 0; i < 5; ++i) {
        const long t = -40 + 20 * i;
        const double lo =
            static_cast<double>((10 * t + f.tempOffset) * static_cast<long>(f.tempScale) / 1000);
        const double hi =
            static_cast<double>((10 * t + 200 + f.tempOffset) * static_cast<long>(f.tempScale) / 1000);
        const double c0 = f.tempStart[i] * 0.01;
        const double c1 = (i < 4 ? f.tempStart[i + 1] : f.tempEnd) * 0.01;
        const double dx = hi - lo;
        const long a = dx == 0 ? Nearest(c0 * 100, -32768, 32767)
                               : Nearest((c0 * hi - c1 * lo) / dx * 100, -32768, 32767);
        const long b = dx == 0 ? 0 : Nearest((c1 - c0) / dx * 1e7 * 0.65535, -32768, 32767);
        Put16(m, static_cast<std::uint8_t>(0xC8 + 2 * i), static_cast<std::uint16_t>(a & 0xFFFF));
        Put16(m, static_cast<std::uint8_t>(0xD2 + 2 * i), static_cast<std::uint16_t>(b & 0xFFFF));
    }
    // Resource ranges: bounds at 0xE6 (always 0), 0xE4, 0xE2; coefficients at
    // 0xE0, 0xDE, 0xDC, each the start percentage times the range's middle.
    double start = 0;
    for (int p = 0; p < 3; ++p) {
        const int k = 2 - p;
        const double end = f.resourceEnds[p];
        Put16(m, static_cast<std::uint8_t>(0xE2 + 2 * k),
              static_cast<std::uint16_t>(Nearest(start * scale, 0, 0xFFFF)));
        const double mid = start + (end - start) * 0.5;
        Put16(
            m, static_cast<std::uint8_t>(0xDC + 2 * k),
            static_cast<std::uint16_t>(Nearest(f.resourceStart[p] * 0.01 * mid * 256.0 / 225.0, 0, 0xFFFF)));
        start = end;
    }
    Put32(m, 0xE8,
          (static_cast<std::uint32_t>(f.gasNumber & 0x0F) << 28) |
              (static_cast<std::uint32_t>(f.typeNumber & 0x0F) << 24) | (f.serialNumber & 0x00FFFFFF));
    Put8(m, 0xEC, f.sampleRate);
    Put8(m, 0xED, f.rangeExponent);
    Put16(m, 0xEE, static_cast<std::uint16_t>((rangeTopRaw + 0xFFFFu) / 2));
    Put16(m, 0xF0, 0);
    return m;
}

SensorProfile Make(std::string name, std::string description, const Factory& f, std::uint16_t zeroCode,
                   std::uint16_t referenceCode) {
    SensorProfile p;
    p.name = std::move(name);
    p.description = std::move(description);
    p.memory = Program(f);
    p.zeroCode = zeroCode;
    p.referenceCode = referenceCode;
    return p;
}

// Methane 01-00 of the shipped table: a catalytic bead in a bridge ("термокаталитический",
// three electrodes), % LEL with one decimal.
Factory Methane() {
    Factory f;
    f.tempStart[0] = 108;
    f.tempStart[1] = 103;
    f.tempStart[4] = 98;
    f.tempEnd = 94;
    return f;
}

// The temperature table of the electrochemical types 03-00 and those made like it.
void ElectrochemicalTemperature(Factory& f) {
    const double starts[5] = {60, 85, 100, 100, 103};
    for (int i = 0; i < 5; ++i)
        f.tempStart[i] = starts[i];
    f.tempEnd = 98;
    f.resourceStart[1] = 105;
    f.resourceStart[2] = 112;
}

std::vector<SensorProfile> MakeProfiles() {
    std::vector<SensorProfile> profiles;
    const std::uint16_t kMid = 0x8000;

    profiles.push_back(Make("default", "methane 01-00, thermocatalytic, electrode code 2, serial 291",
                            Methane(), kMid + 300, kMid + 7000));

    Factory digital;  // carbon monoxide 03-01: a cell behind a digital measuring unit, ppm
    digital.gasCode = digital.gasNumber = 3;
    digital.typeNumber = 1;
    digital.serialNumber = 1001;
    digital.kind = 1;
    digital.electrode = 0;
    digital.measured = 2;
    digital.unit = 3;
    digital.multiplierCode = 0;
    digital.rangeTop = 500;
    digital.thresholdA1 = 17;
    digital.thresholdA2 = 86;
    digital.pgaGainMax = 6;
    digital.maxCalibrations = 12;
    ElectrochemicalTemperature(digital);
    digital.resourceEnds[0] = 100;
    digital.resourceEnds[1] = 300;
    digital.resourceEnds[2] = 500;
    profiles.push_back(Make("digital",
                            "carbon monoxide 03-01, digital front end, electrode code 0, serial 1001",
                            digital, 100, 2600));

    Factory oxygen;  // oxygen 05-00: galvanic two-electrode cell, % vol with one decimal
    oxygen.gasCode = oxygen.gasNumber = 5;
    oxygen.serialNumber = 5002;
    oxygen.kind = 1;
    oxygen.electrode = 1;
    oxygen.measured = 1;
    oxygen.unit = 0;
    oxygen.maker = 2;
    oxygen.rangeTop = 30;
    oxygen.thresholdA1 = 18;
    oxygen.thresholdA2 = 23;
    oxygen.pgaGainMax = 3;
    oxygen.tempStart[0] = 92;
    oxygen.tempStart[1] = 96;
    oxygen.tempStart[4] = 102;
    oxygen.tempEnd = 104;
    oxygen.resourceEnds[0] = 10;
    oxygen.resourceEnds[1] = 21;
    oxygen.resourceEnds[2] = 30;
    oxygen.resourceStart[1] = 100;
    oxygen.resourceStart[2] = 101;
    profiles.push_back(Make("oxygen", "oxygen 05-00, electrode code 1, serial 5002", oxygen, 200, 38000));

    Factory uv;  // ammonia 07-00: ultraviolet absorption, mg/m3
    uv.gasCode = uv.gasNumber = 7;
    uv.serialNumber = 7003;
    uv.kind = 3;
    uv.electrode = 2;
    uv.measured = 2;
    uv.unit = 2;
    uv.multiplierCode = 0;
    uv.rangeTop = 600;
    uv.thresholdA1 = 20;
    uv.thresholdA2 = 60;
    uv.pgaGainMax = 6;
    uv.resourceEnds[0] = 50;
    uv.resourceEnds[1] = 120;
    uv.resourceEnds[2] = 600;
    ElectrochemicalTemperature(uv);
    profiles.push_back(
        Make("ultraviolet", "ammonia 07-00, ultraviolet, electrode code 2, serial 7003", uv, 20, 600));

    Factory four;  // hydrogen sulphide 04-01: four-electrode cell, ppm
    four.gasCode = four.gasNumber = 4;
    four.typeNumber = 1;
    four.serialNumber = 4004;
    four.kind = 1;
    four.electrode = 3;
    four.measured = 2;
    four.unit = 3;
    four.maker = 4;
    four.multiplierCode = 0;
    four.rangeTop = 100;
    four.thresholdA1 = 7;
    four.thresholdA2 = 14;
    four.resourceEnds[0] = 25;
    four.resourceEnds[1] = 60;
    four.resourceEnds[2] = 100;
    ElectrochemicalTemperature(four);
    profiles.push_back(Make("four-electrode", "hydrogen sulphide 04-01, electrode code 3, serial 4004", four,
                            kMid + 500, kMid + 15000));

    SensorProfile notReady =
        Make("digital-not-ready", "carbon monoxide 03-01 whose digital front end never reports ready",
             digital, 100, 2600);
    notReady.frontEndNeverReady = true;
    profiles.push_back(notReady);

    // Sensors admission refuses or reads only in part.
    Factory simulator;
    simulator.gasCode = simulator.gasNumber = 0;
    simulator.serialNumber = 0;
    profiles.push_back(Make("simulator-gas", "gas code 0 (the table's simulator) without a serial number",
                            simulator, kMid + 300, kMid + 7000));

    SensorProfile erased =
        Make("erased", "blank sensor: page P programmed (methane), pages A-C erased to 0xFF", Methane(),
             kMid + 300, kMid + 7000);
    for (std::size_t a = 0x40; a < erased.memory.size(); ++a)
        erased.memory[a] = 0xFF;
    profiles.push_back(erased);

    Factory noSerial = Methane();
    noSerial.serialNumber = 0;
    noSerial.gasNumber = 0;
    noSerial.typeNumber = 1;
    profiles.push_back(
        Make("no-serial", "serial number 0 with type number 1", noSerial, kMid + 300, kMid + 7000));

    Factory wrongGas = Methane();
    wrongGas.gasNumber = 2;
    wrongGas.serialNumber = 77;
    profiles.push_back(
        Make("wrong-gas-number", "gas code 1, serial word of gas 2", wrongGas, kMid + 300, kMid + 7000));

    Factory typeBeyond = Methane();
    typeBeyond.typeNumber = 5;
    typeBeyond.serialNumber = 78;
    profiles.push_back(
        Make("type-beyond", "methane type 5, beyond the table's types", typeBeyond, kMid + 300, kMid + 7000));

    Factory gasBeyond = Methane();
    gasBeyond.gasCode = gasBeyond.gasNumber = 12;
    profiles.push_back(
        Make("gas-code-beyond", "gas code 12, beyond the table's gases", gasBeyond, kMid + 300, kMid + 7000));

    Factory noTypes = Methane();
    noTypes.gasCode = noTypes.gasNumber = 8;
    noTypes.serialNumber = 79;
    profiles.push_back(Make("no-types", "hydrogen, a gas without sensor types in the table", noTypes,
                            kMid + 300, kMid + 7000));

    SensorProfile decreasing = Make("decreasing-bounds", "methane whose resource range bounds decrease",
                                    Methane(), kMid + 300, kMid + 7000);
    Put16(decreasing.memory, 0xE4, 600);  // end of the first range above the end of the second
    Put16(decreasing.memory, 0xE2, 300);
    profiles.push_back(decreasing);

    Factory zeroScale = Methane();
    zeroScale.tempScale = 0;
    profiles.push_back(
        Make("temp-scale-zero", "methane with a temperature scale of 0", zeroScale, kMid + 300, kMid + 7000));
    return profiles;
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
