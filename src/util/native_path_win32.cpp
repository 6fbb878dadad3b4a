// Windows: the core's Windows-1251 path texts are already Windows paths. They
// go to the wide-character file API converted to UTF-16 here, explicitly, so
// that Cyrillic names work whatever the system's ANSI code page is.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <climits>
#include <string>

#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/read_handle_win32.h"

namespace gvc {

namespace {

// A file opened only to be read lets every other program go on: another
// reader, a writer, and above all the rename that replaces the file (the
// report log and a certificate are replaced while the log page or an
// antivirus scanner may hold them open).
constexpr DWORD kReadSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// wchar_t is a UTF-16 code unit on Windows; the two string types differ only in name.
std::wstring WideFromUtf16(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

}  // namespace

std::filesystem::path NativePath(std::string_view cp1251Path) {
    return std::filesystem::path(WideFromUtf16(Utf16FromCp1251(InDataFolder(cp1251Path))));
}

bool DriveCanHoldFolder(std::string_view cp1251Path) {
    const std::filesystem::path root = NativePath(cp1251Path).root_path();
    if (root.empty()) return false;
    // A share's root ("\\server\share\") is checked by its attributes alone.
    const std::wstring& text = root.native();
    if (text.size() == 3 && text[1] == L':') {
        const UINT type = ::GetDriveTypeW(text.c_str());
        if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN || type == DRIVE_CDROM) return false;
    }
    const DWORD attributes = ::GetFileAttributesW(text.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::filesystem::path PathFromUtf8(std::string_view utf8Path) {
    if (utf8Path.empty() || utf8Path.size() > INT_MAX) return {};
    const int length = static_cast<int>(utf8Path.size());
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8Path.data(), length, nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8Path.data(), length, wide.data(), size);
    return std::filesystem::path(wide);
}

std::string Cp1251PathText(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    return Cp1251FromUtf16(std::u16string(wide.begin(), wide.end()));
}

HANDLE OpenForReading(const std::filesystem::path& path) {
    return ::CreateFileW(path.c_str(), GENERIC_READ, kReadSharing, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

FileReadResult ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes) {
    FileReadResult result;
    // A directory is refused by its attributes; a device or pipe by its type
    // once open (CreateFileW on them does not wait).
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        result.missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        result.problem = FileErrorProblem(path, static_cast<int>(error));
        return result;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.problem = NotRegularFileProblem(path);
        return result;
    }
    const HANDLE handle = OpenForReading(path);
    if (handle == INVALID_HANDLE_VALUE) {
        result.problem = FileErrorProblem(path, static_cast<int>(::GetLastError()));
        return result;
    }
    LARGE_INTEGER size{};
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        result.problem = NotRegularFileProblem(path);
    } else if (!::GetFileSizeEx(handle, &size)) {
        result.problem = FileErrorProblem(path, static_cast<int>(::GetLastError()));
    } else if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        result.problem = FileTooLargeProblem(path, maxBytes);
    } else {
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(size.QuadPart));
        char buffer[64 * 1024];
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
                result.problem = FileErrorProblem(path, static_cast<int>(::GetLastError()));
                break;
            }
            if (got == 0) {
                result.bytes = std::move(bytes);
                break;
            }
            if (got > maxBytes - bytes.size()) {
                result.problem = FileTooLargeProblem(path, maxBytes);
                break;
            }
            bytes.append(buffer, got);
        }
    }
    ::CloseHandle(handle);
    return result;
}

}  // namespace gvc
