#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "central/central_settings.h"
#include "util/native_path.h"
#include "util/system_error.h"

namespace gvc {

namespace {

bool Failed(int error, std::string& cause) {
    cause = SystemErrorText(error);
    return false;
}

}  // namespace

bool WritePrivateFile(const std::string& cp1251Path, std::string_view content, std::string& cause) {
    const std::filesystem::path path = NativePath(cp1251Path);
    const std::filesystem::path temporary = path.string() + ".tmp";
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Failed(errno, cause);
    bool ok = ::fchmod(fd, 0600) == 0;
    int error = ok ? 0 : errno;
    while (ok && !content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            error = n == 0 ? EIO : errno;
            break;
        }
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        error = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return Failed(error, cause);
    }
    const std::filesystem::path dir =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace gvc
