#include <cstdlib>
#include <fstream>
#include <iterator>

#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

std::filesystem::path NativePath(std::string_view cp1251Path) {
    std::string text(cp1251Path);
    std::string prefix;
    if (text.size() >= 2 && (text[0] == 'D' || text[0] == 'd') && text[1] == ':') {
        const char* mapped = std::getenv("GVC_DRIVE_D");
        if (mapped == nullptr || *mapped == '\0') mapped = std::getenv("HOME");
        prefix = (mapped != nullptr && *mapped != '\0') ? mapped : ".";
        text.erase(0, 2);
    }
    for (char& c : text) {
        if (c == '\\') c = '/';
    }
    if (!prefix.empty()) {
        while (!prefix.empty() && prefix.back() == '/')
            prefix.pop_back();
        if (text.empty() || text.front() != '/') text.insert(0, 1, '/');
    }
    return std::filesystem::path(prefix + Utf8FromCp1251(text));
}

std::string Cp1251PathText(const std::filesystem::path& path) {
    return Cp1251FromUtf8(path.string());
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

}  // namespace gvc
