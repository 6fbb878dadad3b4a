#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/system_error.h"

namespace gvc {

std::filesystem::path NativePath(std::string_view cp1251Path) {
    std::string text = InDataFolder(cp1251Path);
    std::string prefix;
    const char letter = text.size() >= 2 && text[1] == ':' ? static_cast<char>(std::toupper(text[0])) : '\0';
    if (letter >= 'A' && letter <= 'Z') {
        // Drive X: is the directory in GVC_DRIVE_X (D: the usual one; another
        // when the PC's data folder is on another drive), else the home directory.
        const std::string variable = std::string("GVC_DRIVE_") + letter;
        const char* mapped = std::getenv(variable.c_str());
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

bool DriveCanHoldFolder(std::string_view) {
    return true;
}

std::filesystem::path PathFromUtf8(std::string_view utf8Path) {
    return std::filesystem::path(std::string(utf8Path));
}

std::string Cp1251PathText(const std::filesystem::path& path) {
    return Cp1251FromUtf8(path.string());
}

FileReadResult ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes) {
    FileReadResult result;
    // The type is checked before the open (opening a FIFO waits for a writer,
    // opening a device can act on it) and again on the open file, in case the
    // name was swapped in between; the open itself never waits.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        result.missing = errno == ENOENT || errno == ENOTDIR;
        result.problem = FileErrorProblem(path, errno);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.problem = NotRegularFileProblem(path);
        return result;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.problem = FileErrorProblem(path, errno);
        return result;
    }
    std::string bytes;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.problem = NotRegularFileProblem(path);
    } else if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
        result.problem = FileTooLargeProblem(path, maxBytes);
    } else {
        // The file may grow while it is read: never more than the limit.
        bytes.reserve(static_cast<std::size_t>(st.st_size));
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                result.problem = FileErrorProblem(path, errno);
                break;
            }
            if (n == 0) {
                result.bytes = std::move(bytes);
                break;
            }
            if (static_cast<std::size_t>(n) > maxBytes - bytes.size()) {
                result.problem = FileTooLargeProblem(path, maxBytes);
                break;
            }
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return result;
}

}  // namespace gvc
