// The sensor-type table in memory: gases, seven name lists and, per gas, the
// sensor types with their nominal parameters. Filled once at start-up from the
// table file and read-only afterwards. Texts are Windows-1251.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace gvc {

inline constexpr std::size_t kMaxGases = 16;
inline constexpr std::size_t kMaxTypesPerGas = 16;
inline constexpr std::size_t kMaxListSlots = 16;
inline constexpr std::size_t kTempRangeCount = 5;
inline constexpr std::size_t kResourceRangeCount = 3;

struct GasEntry {
    std::uint8_t code = 0;
    std::string name;     // up to 32 characters
    std::string formula;  // up to 16 characters
    bool operator==(const GasEntry&) const = default;
};

struct ListEntry {
    std::uint8_t number = 0;
    std::string text;  // up to 32 characters
    bool operator==(const ListEntry&) const = default;
};

// One name list: `count` entries in use out of `slots` (4, 8 or 16).
struct NameList {
    std::uint8_t count = 0;
    std::uint8_t slots = 0;
    std::array<ListEntry, kMaxListSlots> entries{};
    bool operator==(const NameList&) const = default;
};

struct TempRange {
    std::uint16_t startCoefPercent = 0;  // %
    std::int16_t slope = 0;              // thousandths
    bool operator==(const TempRange&) const = default;
};

struct ResourceRange {
    std::uint16_t rangeEnd = 0;   // the boundary value
    std::uint16_t startCoef = 0;  // hundredths
    std::int16_t slope = 0;       // thousandths
    bool operator==(const ResourceRange&) const = default;
};

struct SensorTypeEntry {
    std::uint8_t gasCode = 0;
    std::uint8_t kindIndex = 0;
    std::uint8_t electrodeIndex = 0;
    std::uint8_t measuredParamIndex = 0;
    std::uint8_t unitIndex = 0;
    std::uint8_t makerIndex = 0;
    std::uint8_t multiplierIndex = 0;
    std::uint16_t rangeMax = 0;
    std::uint8_t lifeTime = 0;
    std::uint8_t workWarnPercent = 0;
    std::uint32_t workResourceMax = 0;
    std::uint8_t typeNumber = 0;
    std::uint8_t calibCountMax = 0;
    std::uint8_t calibWarnPercent = 0;
    std::uint8_t calibResourcePercent = 0;
    std::uint8_t calibInterval = 0;  // months
    std::uint8_t pgaGainMax = 0;
    std::int32_t thresholdA1 = 0;             // thousandths of the unit
    std::int32_t thresholdA2 = 0;             // thousandths of the unit
    std::int32_t zeroConcentration = 0;       // thousandths of the unit
    std::int32_t referenceConcentration = 0;  // thousandths of the unit
    std::uint16_t tolerance = 0;              // hundredths of a percent
    std::array<TempRange, kTempRangeCount> tempRanges{};
    std::uint16_t tempEndCoefPercent = 0;
    std::array<ResourceRange, kResourceRangeCount> resourceRanges{};
    bool operator==(const SensorTypeEntry&) const = default;
};

struct SensorTypeTable {
    SensorTypeTable();

    std::uint8_t gasCount = 0;  // gas list entries, the simulator (code 00) included
    std::array<GasEntry, kMaxGases> gases{};
    NameList kindList;
    NameList electrodeList;
    NameList measuredParamList;
    NameList unitList;
    NameList makerList;
    NameList multiplierList;
    NameList pgaGainList;
    std::array<std::uint8_t, kMaxGases> typeCount{};
    std::array<std::array<SensorTypeEntry, kMaxTypesPerGas>, kMaxGases> types{};

    bool operator==(const SensorTypeTable&) const = default;

    // The gas's name, or an empty text for a code beyond the storage.
    const std::string& GasName(unsigned code) const;
    const std::string& GasFormula(unsigned code) const;

    // The sensor type of a gas; an all-zero entry for a pair outside the loaded counts.
    const SensorTypeEntry& FindSensorType(unsigned gasCode, unsigned typeNumber) const;
};

// The entry's text, or an empty text for an index at or beyond the list's count.
const std::string& ListText(const NameList& list, unsigned index);

}  // namespace gvc
