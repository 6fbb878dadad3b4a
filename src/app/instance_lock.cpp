#include "app/instance_lock.h"

#ifdef _WIN32
#include <windows.h>

#include <string>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#endif

namespace gvc {

#ifdef _WIN32

namespace {

// The caption every instance's main window starts with (Windows-1251).
constexpr char kCaption[] =
    "\xCE\xF7\xE5\xF0\xE5\xE4\xED\xE0\xFF \xC3\xF0\xE0\xE4\xF3\xE8\xF0\xEE\xE2\xEA\xE0 "
    "\xD1\xE5\xED\xF1\xEE\xF0\xE0";

BOOL CALLBACK CountWindow(HWND window, LPARAM counter) {
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    const std::string text(title);
    if (text.compare(0, sizeof kCaption - 1, kCaption) == 0) ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

}  // namespace

std::filesystem::path InstanceLock::DefaultPath() {
    return {};
}

InstanceLock::InstanceLock(const std::filesystem::path&) {
    // Called before this instance's main window exists: one other window with
    // the caption is enough for a refusal. gvc-cli calibrate has no window, so
    // every front end also holds a named mutex of the session.
    int count = 0;
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Local\\G_Varnest.lock");
    const bool first = mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
    handle_ = mutex;
    held_ = count == 0 && (mutex == nullptr || first);
}

InstanceLock::~InstanceLock() {
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

#else

std::filesystem::path InstanceLock::DefaultPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') return std::filesystem::path(runtime) / "G_Varnest.lock";
    std::error_code error;
    std::filesystem::path dir = std::filesystem::temp_directory_path(error);
    if (error) dir = "/tmp";
    return dir / ("G_Varnest-" + std::to_string(::getuid()) + ".lock");
}

InstanceLock::InstanceLock(const std::filesystem::path& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        held_ = true;
        return;
    }
    // The lock goes with the process: a crashed instance leaves no stale lock.
    held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

#endif

}  // namespace gvc
