// Connects sensor admission to the packet protocol's connect step and port.
#pragma once

#include "device/device_link.h"
#include "sensor/sensor_admission.h"

namespace gvc {

class DeviceLinkConnector : public CalibrationDeviceLink {
public:
    explicit DeviceLinkConnector(DeviceLink& link) : link_(link) {}
    int ConnectCalibrationDevice() override { return link_.ConnectCalibrationDevice(); }
    void ClosePort() override { link_.Port().ClosePort(); }

private:
    DeviceLink& link_;
};

}  // namespace gvc
