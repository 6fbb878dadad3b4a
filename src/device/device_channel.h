// One request/reply exchange with the sensor through the calibration device.
// The serial-port implementation lives with the packet protocol; sensor access
// and its tests only see this interface.
#pragma once

#include <cstdint>

namespace gvc {

enum class DeviceCommand : std::uint8_t { kProbe = 0, kRead = 1, kWrite = 2 };

class DeviceChannel {
public:
    virtual ~DeviceChannel() = default;
    // Sends the request and validates the reply. `value` is the data sent and,
    // on success, the value replied. Returns 0, or the failing result code
    // (1..5) after the failure has been shown to the operator.
    virtual int DeviceRequest(DeviceCommand command, std::uint8_t address, std::uint8_t length,
                              std::uint32_t& value) = 0;
};

}  // namespace gvc
