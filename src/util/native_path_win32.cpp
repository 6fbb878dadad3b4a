// Windows: the core's Windows-1251 path texts are already Windows paths. They
// go to the wide-character file API converted to UTF-16 here, explicitly, so
// that Cyrillic names work whatever the system's ANSI code page is.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

namespace {

// wchar_t is a UTF-16 code unit on Windows; the two string types differ only in name.
std::wstring WideFromUtf16(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

}  // namespace

std::filesystem::path NativePath(std::string_view cp1251Path) {
    return std::filesystem::path(WideFromUtf16(Utf16FromCp1251(cp1251Path)));
}

std::string Cp1251PathText(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    return Cp1251FromUtf16(std::u16string(wide.begin(), wide.end()));
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
    // A directory cannot be opened this way (no FILE_FLAG_BACKUP_SEMANTICS),
    // so it reads as "cannot be opened", as on POSIX.
    const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::string> result;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(handle, &size) && size.QuadPart >= 0) {
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(size.QuadPart));
        char buffer[64 * 1024];
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) break;
            if (got == 0) {
                result = std::move(bytes);
                break;
            }
            bytes.append(buffer, got);
        }
    }
    ::CloseHandle(handle);
    return result;
}

}  // namespace gvc
