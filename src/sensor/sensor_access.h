// The context every sensor operation works in: the exchange channel, the
// operator who sees messages, the loaded sensor-type table, the sensor's state
// and the progress display of long transfers.
#pragma once

#include <cstdint>

#include "device/device_channel.h"
#include "sensor/sensor_address_map.h"
#include "sensor/sensor_params.h"
#include "sensor/transfer_progress.h"
#include "table/sensor_type_table.h"
#include "util/operator.h"

namespace gvc {

struct SensorAccess {
    DeviceChannel& channel;
    Operator& op;
    const SensorTypeTable& table;
    SensorState& state;
    TransferProgress& progress;
};

// One read exchange of `item`; the value sent is 0. True on success.
inline bool ReadItem(SensorAccess& access, SensorItem item, std::uint32_t& value) {
    value = 0;
    return access.channel.DeviceRequest(DeviceCommand::kRead, item.address, item.width, value) == 0;
}

// One write exchange of the low `item.width` bytes of `value`. True on success.
inline bool WriteItem(SensorAccess& access, SensorItem item, std::uint32_t value) {
    return access.channel.DeviceRequest(DeviceCommand::kWrite, item.address, item.width, value) == 0;
}

}  // namespace gvc
