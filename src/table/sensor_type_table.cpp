#include "table/sensor_type_table.h"

namespace gvc {

namespace {
const std::string kEmpty;
const SensorTypeEntry kZeroEntry{};
}  // namespace

SensorTypeTable::SensorTypeTable() {
    const std::pair<NameList*, std::uint8_t> lists[] = {
        {&kindList, 16},  {&electrodeList, 4},  {&measuredParamList, 8}, {&unitList, 8},
        {&makerList, 16}, {&multiplierList, 4}, {&pgaGainList, 8}};
    for (auto [list, slots] : lists) {
        list->slots = slots;
        for (std::size_t i = 0; i < kMaxListSlots; ++i)
            list->entries[i].number = static_cast<std::uint8_t>(i);
    }
    for (std::size_t g = 0; g < kMaxGases; ++g)
        gases[g].code = static_cast<std::uint8_t>(g);
}

const std::string& SensorTypeTable::GasName(unsigned code) const {
    return code < kMaxGases ? gases[code].name : kEmpty;
}

const std::string& SensorTypeTable::GasFormula(unsigned code) const {
    return code < kMaxGases ? gases[code].formula : kEmpty;
}

const SensorTypeEntry& SensorTypeTable::FindSensorType(unsigned gasCode, unsigned typeNumber) const {
    if (gasCode >= gasCount || gasCode >= kMaxGases || typeNumber >= typeCount[gasCode] ||
        typeNumber >= kMaxTypesPerGas) {
        return kZeroEntry;
    }
    return types[gasCode][typeNumber];
}

const std::string& ListText(const NameList& list, unsigned index) {
    return index < list.count && index < kMaxListSlots ? list.entries[index].text : kEmpty;
}

}  // namespace gvc
