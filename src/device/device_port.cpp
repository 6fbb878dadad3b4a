#include "device/device_port.h"

#include <utility>

#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr std::string_view kUsbEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\USB";
constexpr std::string_view kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

constexpr std::array<DeviceKind, kDeviceKindCount> kKinds = {{
    {"Тарвел"_cp, "VID_0483&PID_5740", "TARVEL_1.0", "TARVEL with STR91x CDC Comm-P"},
    {"Молдин"_cp, "VID_0483&PID_5740", "MOLDIN_1.0", "MOLDIN with STR91x CDC Comm-P"},
    {"Кверант"_cp, "VID_1FC9&PID_0003", "QUERANTE-000", "Querante USB VCom Port"},
    {"Варнест"_cp, "VID_1FC9&PID_0003", "VARNESTs-000", "Varnest USB VCom Port"},
}};

}  // namespace

const std::array<DeviceKind, kDeviceKindCount>& DeviceKindTable() {
    return kKinds;
}

bool FriendlyNameMatches(std::string_view friendlyName, std::string_view prefix) {
    // Deleting up to 25 characters after the first L and comparing the rest
    // with the prefix: a shorter name cannot match.
    if (friendlyName.size() < prefix.size()) return false;
    return friendlyName.substr(0, prefix.size()) == prefix &&
           friendlyName.size() - prefix.size() <= kFriendlyNameTailMax;
}

DevicePort::DevicePort(SerialPort& port, RegistryOpener openRegistry, ErrorText& error)
    : port_(port), openRegistry_(std::move(openRegistry)), error_(error) {}

int DevicePort::FindDevicePort(int kind) {
    if (kind < 0 || kind >= kDeviceKindCount) return -1;
    const DeviceKind& row = kKinds[static_cast<std::size_t>(kind)];
    const std::unique_ptr<Registry> registry = openRegistry_ ? openRegistry_() : nullptr;
    const std::unique_ptr<RegistryKey> usb = registry ? registry->OpenLocalMachineKey(kUsbEnumKey) : nullptr;
    if (!usb) {
        error_.Append("В системе нет ни одного USB-драйвера!"_cp);
        return -1;
    }
    const std::unique_ptr<RegistryKey> hardware = usb->OpenSubKey(row.hardwareKey);
    if (!hardware) {
        error_.Append("В системе нет ни одного драйвера для Устройства!"_cp);
        return -1;
    }
    const std::unique_ptr<RegistryKey> instance = hardware->OpenSubKey(row.instanceKey);
    if (!instance) {
        error_.Append("Не установлен драйвер для Устройства!"_cp);
        return -1;
    }
    if (!FriendlyNameMatches(instance->ReadString("FriendlyName").value_or(""), row.friendlyPrefix)) {
        error_.Append("Недопустимое имя драйвера!"_cp);
        return -1;
    }
    const std::unique_ptr<RegistryKey> parameters = instance->OpenSubKey("Device Parameters");
    if (!parameters) {
        error_.Append("Не определены параметры для драйвер!"_cp);
        return -1;
    }
    const std::string portName = parameters->ReadString("PortName").value_or("");
    if (portName.empty()) {
        error_.Append("Не определен VCOM-порт для драйвера!"_cp);
        return -1;
    }
    devicePortPath_ = std::string(kDevicePathPrefix) + portName;
    return 0;
}

int DevicePort::IsPortPresent(std::string_view portName) {
    const std::unique_ptr<Registry> registry = openRegistry_ ? openRegistry_() : nullptr;
    const std::unique_ptr<RegistryKey> serialComm =
        registry ? registry->OpenLocalMachineKey(kSerialCommKey) : nullptr;
    if (!serialComm) {
        error_.Append("В системе нет ни одного VCOM-порта для Устройства!"_cp);
        return -1;
    }
    // The value data are the port names; the value names are driver paths.
    for (const std::string& name : serialComm->ValueNames()) {
        const std::optional<std::string> data = serialComm->ReadString(name);
        if (data && *data == portName) return 0;
    }
    error_.Append("Устройство не подключено!"_cp);
    return -1;
}

bool DevicePort::OpenPort(std::string_view portName) {
    const std::string path = std::string(kDevicePathPrefix) + std::string(portName);
    ClosePort();
    // Names that do not fit the device-path buffer are refused like a port
    // that does not open.
    if (portName.empty() || path.size() > kDevicePathMax || !port_.Open(path)) {
        error_.Append("USB не открывается!"_cp);
        return false;
    }
    ConfigurePort();
    return true;
}

void DevicePort::ConfigurePort() {
    port_.Configure();
}

int DevicePort::ClosePort() {
    port_.Close();
    return 0;
}

int DevicePort::ConnectDevice(int firstKind, int endKind) {
    error_.Set(std::string("Подсоединение: "_cp) + "\r\n");
    for (int kind = firstKind < 0 ? 0 : firstKind; kind < endKind && kind < kDeviceKindCount; ++kind) {
        const DeviceKind& row = kKinds[static_cast<std::size_t>(kind)];
        error_.Append(row.displayName);
        error_.Append(": ");
        if (FindDevicePort(kind) != 0) {
            error_.Append("\r\n");
            continue;
        }
        const std::string portName = devicePortPath_.substr(kDevicePathPrefix.size());
        if (IsPortPresent(portName) != 0 || !OpenPort(portName)) {
            error_.Append("\r\n");
            continue;
        }
        error_.Set(row.displayName);
        return kind;
    }
    return -1;
}

}  // namespace gvc
