// Read-only view of the machine's registry below HKEY_LOCAL_MACHINE, as device
// discovery reads it. Implementations: the Win32 registry, a view built from
// sysfs, and a registry export file (GVC_REGISTRY_FILE). Key and value names
// compare without regard to ASCII case, as in the Windows registry. Texts are
// Windows-1251.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gvc {

// An open key; closing happens when the object goes away.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // Opens a sub-key (backslash-separated path) relative to this key; never creates.
    virtual std::unique_ptr<RegistryKey> OpenSubKey(std::string_view path) const = 0;
    // The data of a string value; nothing when the value is missing or not a string.
    virtual std::optional<std::string> ReadString(std::string_view name) const = 0;
    // The names of the key's values, in the key's order.
    virtual std::vector<std::string> ValueNames() const = 0;
};

class Registry {
public:
    virtual ~Registry() = default;
    // Opens a key below HKEY_LOCAL_MACHINE with read access; nothing when it does not exist.
    virtual std::unique_ptr<RegistryKey> OpenLocalMachineKey(std::string_view path) const = 0;
};

// A registry held in memory: keys by full path below HKEY_LOCAL_MACHINE.
struct RegistryValue {
    std::string name;
    std::optional<std::string> text;  // nothing for values that are not strings
};

struct RegistryKeyData {
    std::vector<RegistryValue> values;
};

class RegistryTree {
public:
    // Makes the key and all its parents exist; returns the key.
    RegistryKeyData& AddKey(std::string_view path);
    // Sets a string value (replacing one of the same name) in the key, creating the key.
    void SetString(std::string_view keyPath, std::string_view name, std::string_view text);
    const RegistryKeyData* FindKey(std::string_view path) const;

private:
    // Keys by upper-cased path without leading, trailing or doubled backslashes.
    std::map<std::string, RegistryKeyData> keys_;
};

// The normal form of a key path: ASCII upper case, single backslashes, none at the ends.
std::string NormalizeRegistryPath(std::string_view path);

// A Registry over a tree it owns.
std::unique_ptr<Registry> MakeMemoryRegistry(RegistryTree tree);

// Parses a registry export ("Windows Registry Editor Version 5.00" or the
// older "REGEDIT4"; UTF-16LE with byte-order mark, or UTF-8 with or without
// one). Keys outside HKEY_LOCAL_MACHINE and lines it cannot read are skipped.
RegistryTree ParseRegistryExport(std::string_view fileBytes);

enum class RegistryEncoding { kUtf8, kUtf16Le };

// The export file bytes (CR LF lines; UTF-16LE with byte-order mark as regedit
// writes, or UTF-8) of the given keys and their string values, in order. Key
// paths are below HKEY_LOCAL_MACHINE, texts Windows-1251.
std::string FormatRegistryExport(const std::vector<std::pair<std::string, std::vector<RegistryValue>>>& keys,
                                 RegistryEncoding encoding);

// The registry view of the USB devices under `sysfsRoot` (normally "/sys"):
// for each USB device with a serial string, the key
// SYSTEM\CurrentControlSet\Enum\USB\VID_vvvv&PID_pppp\<serial> with
// FriendlyName "<product> (<tty path>)" and Device Parameters\PortName
// "<tty path>", and HARDWARE\DEVICEMAP\SERIALCOMM listing the tty paths.
RegistryTree BuildSysfsRegistryTree(const std::filesystem::path& sysfsRoot,
                                    std::string_view devRoot = "/dev");

// The registry that discovery uses on this machine: the export file named by
// GVC_REGISTRY_FILE when that is set (an unreadable file gives an empty
// registry), else the system's own (Win32 registry, or the sysfs view).
std::unique_ptr<Registry> OpenSystemRegistry();

// The registry file holds the few keys of the USB devices and serial ports;
// an export of a PC with hundreds of them stays far below this.
inline constexpr std::size_t kMaxRegistryFileSize = 4 * 1024 * 1024;

// The system's own registry without the GVC_REGISTRY_FILE override.
std::unique_ptr<Registry> OpenPlatformRegistry();

}  // namespace gvc
