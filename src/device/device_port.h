// Finding, opening and closing the calibration device's virtual serial port.
// Discovery reads the registry (never writes it); each failing step appends
// one Windows-1251 message to the shared error text and nothing is shown here.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "device/registry.h"
#include "device/serial_port.h"
#include "util/error_text.h"

namespace gvc {

struct DeviceKind {
    std::string_view displayName;     // only used in the error text
    std::string_view hardwareKey;     // below SYSTEM\CurrentControlSet\Enum\USB
    std::string_view instanceKey;     // the device's USB serial-number string
    std::string_view friendlyPrefix;  // what FriendlyName must start with
};

inline constexpr int kDeviceKindCount = 4;
// The kind the system connects with.
inline constexpr int kVarnestKind = 3;

const std::array<DeviceKind, kDeviceKindCount>& DeviceKindTable();

// At most this many characters may follow the friendly-name prefix.
inline constexpr std::size_t kFriendlyNameTailMax = 25;
// The device path "\\.\NAME" must fit a buffer of 23 characters.
inline constexpr std::size_t kDevicePathMax = 22;
inline constexpr std::string_view kDevicePathPrefix = "\\\\.\\";

// True when the friendly name is the prefix followed by at most 25 characters.
bool FriendlyNameMatches(std::string_view friendlyName, std::string_view prefix);

using RegistryOpener = std::function<std::unique_ptr<Registry>()>;

class DevicePort {
  public:
    // `openRegistry` gives a fresh read-only registry for each lookup.
    DevicePort(SerialPort& port, RegistryOpener openRegistry, ErrorText& error);

    // 0 when the port name of the kind was found (DevicePortPath is then
    // "\\.\" followed by it), -1 otherwise with one message appended.
    int FindDevicePort(int kind);
    // 0 when HARDWARE\DEVICEMAP\SERIALCOMM holds a value whose data is the
    // port name, -1 otherwise with one message appended.
    int IsPortPresent(std::string_view portName);
    // Closes any open port, opens this one exclusively and configures it.
    bool OpenPort(std::string_view portName);
    void ConfigurePort();
    // Closes the port if it is open; always 0.
    int ClosePort();
    // Tries the kinds firstKind .. endKind-1 in order; the kind whose port is
    // now open, or -1 with one line per kind tried in the error text.
    int ConnectDevice(int firstKind, int endKind);

    const std::string& DevicePortPath() const { return devicePortPath_; }
    bool IsOpen() const { return port_.IsOpen(); }
    SerialPort& Port() { return port_; }
    ErrorText& Error() { return error_; }

  private:
    SerialPort& port_;
    RegistryOpener openRegistry_;
    ErrorText& error_;
    std::string devicePortPath_;
};

}  // namespace gvc
