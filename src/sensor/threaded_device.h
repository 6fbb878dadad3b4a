// The sensor operations' view of the device thread: every exchange and the
// connect step run there, while the driving thread waits the host's way (the
// window keeps painting and answering). The messages of an exchange are shown
// on the driving thread, as the exchange returns.
#pragma once

#include "device/device_thread.h"
#include "sensor/sensor_admission.h"
#include "sensor/sensor_live.h"

namespace gvc {

class ThreadedChannel : public DeviceChannel {
public:
    ThreadedChannel(DeviceThread& device, Operator& op) : device_(device), op_(op) {}

    int DeviceRequest(DeviceCommand command, std::uint8_t address, std::uint8_t length,
                      std::uint32_t& value) override {
        std::uint32_t carried = value;
        const int result = device_.Run(
            [command, address, length, &carried](DeviceJobContext& device) {
                return device.link.DeviceRequest(command, address, length, carried);
            },
            op_);
        if (result == 0) value = carried;
        return result;
    }

private:
    DeviceThread& device_;
    Operator& op_;
};

class ThreadedConnector : public CalibrationDeviceLink {
public:
    ThreadedConnector(DeviceThread& device, Operator& op) : device_(device), op_(op) {}

    int ConnectCalibrationDevice() override {
        const int result =
            device_.Run([](DeviceJobContext& device) { return device.link.ConnectCalibrationDevice(); }, op_);
        return result == 0 ? 0 : -1;
    }
    // Queued behind whatever is on the line; nobody waits for it.
    void ClosePort() override {
        device_.Submit(
            [](DeviceJobContext& device) {
                device.link.Port().ClosePort();
                return 0;
            },
            op_, [](int) {});
    }

private:
    DeviceThread& device_;
    Operator& op_;
};

// One sample's three reads as one job on the device thread, with a copy of the
// sensor's scale; `done` gets the result of ReadLiveValues and the values on
// the driving thread, or kDeviceCancelled (and no values) when the read was
// cancelled.
inline void ReadLiveOnDevice(DeviceThread& device, Operator& op, const SensorTypeTable& table,
                             const SensorState& state, std::function<void(int, const LiveValues&)> done) {
    auto values = std::make_shared<LiveValues>();
    device.Submit(
        [&table, copy = SensorState(state), values](DeviceJobContext& context) mutable {
            NoProgress none;
            SensorAccess access{context.link, context.op, table, copy, none};
            return ReadLiveValues(access, *values);
        },
        op, [values, done = std::move(done)](int result) { done(result, *values); });
}

}  // namespace gvc
