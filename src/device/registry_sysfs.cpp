// A registry view of the USB devices that sysfs lists, shaped like the keys
// Windows keeps for them, so that discovery runs unchanged on Linux.
#include <algorithm>
#include <system_error>

#include "device/registry.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

namespace {

namespace fs = std::filesystem;

// The first line of a small attribute file, without its line end (the kernel
// keeps an attribute within one page).
std::string ReadAttribute(const fs::path& file) {
    const std::optional<std::string> bytes = ReadFileBytes(file, 4096);
    if (!bytes) return {};
    std::string line = bytes->substr(0, bytes->find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::string UpperHex(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::vector<fs::path> SortedEntries(const fs::path& dir) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool IsDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// The tty names below the interfaces of a USB device: "<if>/tty/<name>" for
// CDC ACM, "<if>/<ttyNAME>" for USB serial converters.
std::vector<std::string> TtyNames(const fs::path& device) {
    std::vector<std::string> names;
    const std::string prefix = device.filename().string() + ":";
    for (const fs::path& entry : SortedEntries(device)) {
        const std::string entryName = entry.filename().string();
        if (!entryName.starts_with(prefix) || !IsDirectory(entry)) continue;
        if (IsDirectory(entry / "tty")) {
            for (const fs::path& tty : SortedEntries(entry / "tty"))
                names.push_back(tty.filename().string());
        } else {
            for (const fs::path& child : SortedEntries(entry)) {
                const std::string childName = child.filename().string();
                if (childName.starts_with("tty") && IsDirectory(child)) names.push_back(childName);
            }
        }
    }
    return names;
}

}  // namespace

RegistryTree BuildSysfsRegistryTree(const fs::path& sysfsRoot, std::string_view devRoot) {
    RegistryTree tree;
    const std::string usbRoot = "SYSTEM\\CurrentControlSet\\Enum\\USB";
    const std::string serialComm = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
    tree.AddKey(usbRoot);
    for (const fs::path& device : SortedEntries(sysfsRoot / "bus" / "usb" / "devices")) {
        const std::string vendor = ReadAttribute(device / "idVendor");
        const std::string product = ReadAttribute(device / "idProduct");
        if (vendor.empty() || product.empty()) continue;
        std::string instance = Cp1251FromUtf8(ReadAttribute(device / "serial"));
        if (instance.empty()) instance = device.filename().string();
        const std::string hardwareKey = usbRoot + "\\VID_" + UpperHex(vendor) + "&PID_" + UpperHex(product);
        const std::string instanceKey = hardwareKey + "\\" + instance;
        std::string friendlyName = Cp1251FromUtf8(ReadAttribute(device / "product"));
        tree.AddKey(instanceKey);
        const std::vector<std::string> ttys = TtyNames(device);
        if (!ttys.empty()) {
            const std::string portName = Cp1251FromUtf8(std::string(devRoot) + "/" + ttys.front());
            friendlyName += " (" + portName + ")";
            tree.SetString(instanceKey + "\\Device Parameters", "PortName", portName);
        }
        tree.SetString(instanceKey, "FriendlyName", friendlyName);
        for (const std::string& tty : ttys) {
            tree.SetString(serialComm, "\\Device\\" + Cp1251FromUtf8(tty),
                           Cp1251FromUtf8(std::string(devRoot) + "/" + tty));
        }
    }
    return tree;
}

}  // namespace gvc
