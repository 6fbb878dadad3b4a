// The in-memory registry that the export file and the sysfs view fill, and the
// choice of the registry that discovery uses.
#include <cstdlib>
#include <utility>

#include "device/registry.h"
#include "util/native_path.h"

namespace gvc {

namespace {

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

std::string JoinPath(std::string_view parent, std::string_view child) {
    std::string path(parent);
    path += '\\';
    path += child;
    return NormalizeRegistryPath(path);
}

class MemoryKey : public RegistryKey {
public:
    MemoryKey(std::shared_ptr<const RegistryTree> tree, std::string path, const RegistryKeyData* data)
        : tree_(std::move(tree)), path_(std::move(path)), data_(data) {}

    std::unique_ptr<RegistryKey> OpenSubKey(std::string_view path) const override {
        std::string full = JoinPath(path_, path);
        const RegistryKeyData* data = tree_->FindKey(full);
        if (data == nullptr) return nullptr;
        return std::make_unique<MemoryKey>(tree_, std::move(full), data);
    }

    std::optional<std::string> ReadString(std::string_view name) const override {
        for (const RegistryValue& value : data_->values) {
            if (EqualNoCase(value.name, name)) return value.text;
        }
        return std::nullopt;
    }

    std::vector<std::string> ValueNames() const override {
        std::vector<std::string> names;
        names.reserve(data_->values.size());
        for (const RegistryValue& value : data_->values)
            names.push_back(value.name);
        return names;
    }

private:
    std::shared_ptr<const RegistryTree> tree_;
    std::string path_;
    const RegistryKeyData* data_;
};

class MemoryRegistry : public Registry {
public:
    explicit MemoryRegistry(RegistryTree tree)
        : tree_(std::make_shared<const RegistryTree>(std::move(tree))) {}

    std::unique_ptr<RegistryKey> OpenLocalMachineKey(std::string_view path) const override {
        std::string full = NormalizeRegistryPath(path);
        const RegistryKeyData* data = tree_->FindKey(full);
        if (data == nullptr) return nullptr;
        return std::make_unique<MemoryKey>(tree_, std::move(full), data);
    }

private:
    std::shared_ptr<const RegistryTree> tree_;
};

}  // namespace

std::string NormalizeRegistryPath(std::string_view path) {
    std::string normal;
    normal.reserve(path.size());
    for (char c : path) {
        if (c == '\\' && (normal.empty() || normal.back() == '\\')) continue;
        normal += UpperAscii(c);
    }
    while (!normal.empty() && normal.back() == '\\')
        normal.pop_back();
    return normal;
}

RegistryKeyData& RegistryTree::AddKey(std::string_view path) {
    const std::string normal = NormalizeRegistryPath(path);
    for (std::size_t at = normal.find('\\'); at != std::string::npos; at = normal.find('\\', at + 1)) {
        keys_.try_emplace(normal.substr(0, at));
    }
    return keys_[normal];
}

void RegistryTree::SetString(std::string_view keyPath, std::string_view name, std::string_view text) {
    RegistryKeyData& key = AddKey(keyPath);
    for (RegistryValue& value : key.values) {
        if (EqualNoCase(value.name, name)) {
            value.text = std::string(text);
            return;
        }
    }
    key.values.push_back({std::string(name), std::string(text)});
}

const RegistryKeyData* RegistryTree::FindKey(std::string_view path) const {
    const auto found = keys_.find(NormalizeRegistryPath(path));
    return found == keys_.end() ? nullptr : &found->second;
}

std::unique_ptr<Registry> MakeMemoryRegistry(RegistryTree tree) {
    return std::make_unique<MemoryRegistry>(std::move(tree));
}

std::unique_ptr<Registry> OpenSystemRegistry() {
    const char* file = std::getenv("GVC_REGISTRY_FILE");
    if (file == nullptr || *file == '\0') return OpenPlatformRegistry();
    const std::optional<std::string> bytes = ReadFileBytes(std::filesystem::path(file), kMaxRegistryFileSize);
    return MakeMemoryRegistry(bytes ? ParseRegistryExport(*bytes) : RegistryTree{});
}

}  // namespace gvc
