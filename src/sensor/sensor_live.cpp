#include "sensor/sensor_live.h"

#include "sensor/sensor_encoding.h"
#include "sensor/sensor_messages.h"

namespace gvc {

int ReadLiveValues(SensorAccess& access, LiveValues& values) {
    const SensorWideValues& wide = access.state.wide;
    if (wide.TempScale == 0) {
        access.op.Show(MessageKind::kError, sensor_text::kZeroTempScale);
        return -1;
    }
    std::uint32_t v = 0;
    if (!ReadItem(access, SensorAddressMap::kStatusWord, v)) return -1;
    values.status = static_cast<std::uint8_t>(v & 0xFFu);
    if (!ReadItem(access, SensorAddressMap::kTemperatureCode, v)) return -1;
    values.temperature =
        TenthsFromTemperatureCode(static_cast<std::uint16_t>(v), wide.TempScale, wide.TempOffset);
    if (!ReadItem(access, SensorAddressMap::kAdcCode, v)) return -1;
    values.adc = static_cast<std::uint16_t>(v);
    return 0;
}

AdcRange SelectAdcRange(const SensorParams& newParams, const SensorTypeTable& table) {
    // floor, ceiling, zero, span, divisor, channel flag
    constexpr AdcRange kDigital{0, 5000, 0, 5000, 1, true};
    constexpr AdcRange kOxygen{0, 0xFFFF, 0, 55000, 1, false};
    constexpr AdcRange kBipolar{0, 0xFFFF, 0x8000, 30000, 2, false};
    constexpr AdcRange kThermoCatalytic{0, 0xFFFF, 0x8000, 14000, 2, false};
    constexpr AdcRange kUltraviolet{0, 1024, 0, 1020, 1, true};
    switch (newParams.ElectrodeCode) {
        case 0:
            return kDigital;
        case 1:
            return table.GasName(newParams.GasCode) == sensor_text::kOxygen ? kOxygen : kBipolar;
        case 2: {
            const std::string& kind = ListText(table.kindList, newParams.KindCode);
            if (kind == sensor_text::kThermoCatalytic) return kThermoCatalytic;
            if (kind == sensor_text::kUltraviolet) return kUltraviolet;
            return kBipolar;
        }
        default:
            return kBipolar;
    }
}

void SelectAdcRange(SensorAccess& access) {
    access.state.wide.adc = SelectAdcRange(access.state.NewParams, access.table);
}

}  // namespace gvc
