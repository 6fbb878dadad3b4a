// The in-memory image of a sensor's stored parameters, its identity and the
// sensor-wide values kept beside them, all owned by one SensorState per
// connected sensor.
#pragma once

#include <array>
#include <cstdint>

namespace gvc {

struct SensorDate {
    std::int32_t year = 0;
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    bool operator==(const SensorDate&) const = default;
};

// Temperature correction of one 20-degree range: coefficient at the start of
// the range in percent, and its slope.
struct TempCoef {
    std::uint16_t start = 0;
    std::int16_t slope = 0;
    bool operator==(const TempCoef&) const = default;
};

// One concentration range of the resource correction: upper bound, coefficient
// at its start in hundredths, and its slope.
struct ResourceRangeCoef {
    std::uint16_t end = 0;
    std::uint16_t start = 0;
    std::int16_t slope = 0;
    bool operator==(const ResourceRangeCoef&) const = default;
};

struct SensorParams {
    std::uint8_t GasCode = 0;
    std::uint8_t KindCode = 0;
    std::uint8_t ElectrodeCode = 0;  // 0: the sensor has a digital front end
    std::uint8_t MeasuredParamCode = 0;
    std::uint8_t UnitCode = 0;
    std::uint8_t MakerCode = 0;
    std::uint8_t MultiplierCode = 0;
    std::uint16_t RangeTop = 0;
    std::uint8_t LifeTime = 0;
    std::uint8_t WorkWarnPercent = 0;
    std::uint32_t WorkResourceMax = 0;
    std::uint8_t TypeNumber = 0;
    SensorDate EndOfUseDate;
    std::uint32_t WorkResourceWarn = 0;
    std::uint32_t WorkResourceNow = 0;
    std::uint8_t MaxCalibrations = 0;
    std::uint8_t CalWarnPercent = 0;
    std::uint8_t CalResourcePercent = 0;
    std::uint8_t CalInterval = 0;
    std::uint8_t PgaGainMax = 0;
    std::uint8_t CalibrationCount = 0;
    std::uint16_t CalResourceWarn = 0;
    std::uint32_t CalResourceNow = 0;
    std::uint32_t CalResourceMax = 0;
    SensorDate NextCalibrationDate;
    std::uint8_t PgaGain = 0;
    std::int8_t ZeroOffsetSign = 0;  // +1/-1 as read; never written to the sensor
    std::int32_t ZeroOffset = 0;     // magnitude as read; the signed value to write
    std::int32_t Slope = 0;
    std::int32_t InitialSlope = 0;
    std::int32_t ZeroConc = 0;
    std::int32_t RefConc = 0;
    std::uint16_t SetTolerance = 0;
    std::int32_t ThresholdA1 = 0;  // thousandths of the unit
    std::int32_t ThresholdA2 = 0;
    std::uint8_t SampleRate = 0;
    std::uint32_t BoardVersion = 0;
    std::uint32_t FirmwareVersion = 0;
    std::array<TempCoef, 5> TempCoefs{};
    std::uint16_t TempEndCoef = 0;
    std::array<ResourceRangeCoef, 3> ResourceRanges{};
    double MultiplierScale = 1.0;
    std::uint8_t RangeExponent = 0;
    double RangeScale = 1.0;

    bool operator==(const SensorParams&) const = default;
};

struct SensorIdentity {
    std::uint8_t GasCode = 0;        // low nibble of the gas code byte
    std::uint32_t SerialNumber = 0;  // bits 0-23 of the serial word
    std::uint8_t TypeNumber = 0;     // bits 24-27
    std::uint8_t GasNumber = 0;      // bits 28-31
    bool operator==(const SensorIdentity&) const = default;
};

// The coefficient of one temperature range as a straight line in degrees.
struct TempLine {
    double slope = 0.0;
    double intercept = 0.0;
};

// The ADC window chosen for the connected sensor.
struct AdcRange {
    std::int32_t AdcFloor = 0;
    std::int32_t AdcCeiling = 0;
    std::int32_t AdcZero = 0;
    std::int32_t AdcSpan = 0;
    std::int32_t AdcDivisor = 1;
    bool ChannelFlag = false;
    bool operator==(const AdcRange&) const = default;
};

struct SensorWideValues {
    std::uint16_t TempScale = 0;  // converts the live temperature code
    std::uint16_t TempOffset = 0;
    std::uint16_t KeptWordB = 0;  // read and written back unchanged
    std::int32_t zeroAverageRaw = 0;
    std::uint16_t RangeTopRaw = 0;  // the value last written at the range top
    std::array<TempLine, 5> TempLines{};
    AdcRange adc;
};

// Everything the sensor-access operations read and write for one sensor.
struct SensorState {
    SensorIdentity identity;
    SensorParams OldParams;
    SensorParams NewParams;
    SensorWideValues wide;
};

}  // namespace gvc
