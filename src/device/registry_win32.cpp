// The Windows registry below HKEY_LOCAL_MACHINE, opened with KEY_READ only.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "device/registry.h"

namespace gvc {

namespace {

class Win32Key : public RegistryKey {
  public:
    explicit Win32Key(HKEY key) : key_(key) {}
    ~Win32Key() override { ::RegCloseKey(key_); }
    Win32Key(const Win32Key&) = delete;
    Win32Key& operator=(const Win32Key&) = delete;

    static std::unique_ptr<RegistryKey> Open(HKEY parent, std::string_view path) {
        const std::string text(path);
        HKEY key = nullptr;
        if (::RegOpenKeyExA(parent, text.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
        return std::make_unique<Win32Key>(key);
    }

    std::unique_ptr<RegistryKey> OpenSubKey(std::string_view path) const override { return Open(key_, path); }

    std::optional<std::string> ReadString(std::string_view name) const override {
        const std::string valueName(name);
        DWORD type = 0;
        DWORD size = 0;
        if (::RegQueryValueExA(key_, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
        std::string data(size, '\0');
        if (size > 0 && ::RegQueryValueExA(key_, valueName.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
            return std::nullopt;
        data.resize(size);
        while (!data.empty() && data.back() == '\0')
            data.pop_back();
        return data;
    }

    std::vector<std::string> ValueNames() const override {
        std::vector<std::string> names;
        DWORD count = 0;
        DWORD longest = 0;
        if (::RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest,
                               nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return names;
        std::string buffer(static_cast<std::size_t>(longest) + 1, '\0');
        for (DWORD i = 0; i < count; ++i) {
            DWORD length = longest + 1;
            if (::RegEnumValueA(key_, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                continue;
            names.emplace_back(buffer.data(), length);
        }
        return names;
    }

  private:
    HKEY key_;
};

class Win32Registry : public Registry {
  public:
    std::unique_ptr<RegistryKey> OpenLocalMachineKey(std::string_view path) const override {
        return Win32Key::Open(HKEY_LOCAL_MACHINE, path);
    }
};

}  // namespace

std::unique_ptr<Registry> OpenPlatformRegistry() {
    return std::make_unique<Win32Registry>();
}

}  // namespace gvc
