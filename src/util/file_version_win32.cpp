// Windows: the "FileVersion" of the program file's version resource, read with
// the ANSI version API.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <vector>

#include "util/file_version.h"

namespace gvc {

namespace {

// The path of the running program's own executable (ANSI), or an empty text.
std::string OwnExecutablePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string CompiledVersionText() {
    return GVC_VERSION_TEXT;
}

std::string GetFileVersionText(const std::string& path) {
    // The size is that of the running program's version information; the only
    // caller asks about the running program, so both concern the same file.
    const std::string self = OwnExecutablePath();
    DWORD ignored = 0;
    const DWORD size = self.empty() ? 0 : ::GetFileVersionInfoSizeA(self.c_str(), &ignored);
    if (size == 0) return {};

    std::vector<char> block(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return {};

    void* translation = nullptr;
    UINT translationLength = 0;
    if (!::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation, &translationLength) ||
        translation == nullptr || translationLength < 4)
        return {};
    const auto* words = static_cast<const WORD*>(translation);
    const unsigned long languageAndCodePage =
        (static_cast<unsigned long>(words[0]) << 16) | static_cast<unsigned long>(words[1]);
    char hex[9] = {};
    std::snprintf(hex, sizeof hex, "%08lX", languageAndCodePage);

    const std::string query = std::string("\\StringFileInfo\\") + hex + "\\FileVersion";
    void* value = nullptr;
    UINT valueLength = 0;
    if (!::VerQueryValueA(block.data(), query.c_str(), &value, &valueLength) || value == nullptr) return {};
    // The text ends at its zero, and never past the length the query reported.
    const auto* text = static_cast<const char*>(value);
    std::size_t n = 0;
    while (n < valueLength && text[n] != '\0')
        ++n;
    return std::string(text, n);
}

}  // namespace gvc
