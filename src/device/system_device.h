// The device link as the program and gvc-cli use it: this machine's serial
// port and registry, and a real sleep before each reply.
#pragma once

#include <memory>

#include "device/device_link.h"
#include "device/device_port.h"
#include "device/registry.h"
#include "device/serial_port.h"
#include "device/waiter.h"

namespace gvc {

class SystemDevice {
  public:
    SystemDevice(Operator& op, ErrorText& error)
        : serial_(MakeSystemSerialPort()),
          port_(*serial_, OpenSystemRegistry, error),
          link_(port_, op, waiter_) {}
    SystemDevice(const SystemDevice&) = delete;
    SystemDevice& operator=(const SystemDevice&) = delete;

    DevicePort& Port() { return port_; }
    DeviceLink& Link() { return link_; }

  private:
    std::unique_ptr<SerialPort> serial_;
    SleepingWaiter waiter_;
    DevicePort port_;
    DeviceLink link_;
};

}  // namespace gvc
