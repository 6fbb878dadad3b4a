// The registry-export reader on any bytes, and device discovery over what it
// read: a port name it finds fits the device path buffer.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/device_port.h"
#include "device/registry.h"
#include "device_test_doubles.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    gvc::RegistryTree tree = gvc::ParseRegistryExport(bytes);
    gvc::test::FakeSerialPort serial;
    gvc::ErrorText error;
    gvc::DevicePort port(serial, gvc::test::RegistryOf(tree), error);
    const int kind = port.ConnectDevice(0, gvc::kDeviceKindCount);
    if (kind >= 0) {
        GVC_FUZZ_CHECK(port.DevicePortPath().size() <= gvc::kDevicePathMax);
    } else {
        GVC_FUZZ_CHECK(!error.Empty());
    }
    return 0;
}
