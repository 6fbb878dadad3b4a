#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "util/file_system.h"
#include "util/native_path.h"
#include "util/system_error.h"

namespace gvc {

namespace {

class PosixOutputFile : public OutputFile {
public:
    explicit PosixOutputFile(int fd) : fd_(fd) {}
    ~PosixOutputFile() override {
        if (fd_ >= 0) ::close(fd_);
    }

    bool Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return Failed(n == 0 ? EIO : errno);
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    bool Flush() override { return ::fsync(fd_) == 0 || Failed(errno); }

    bool Close() override {
        const int fd = fd_;
        fd_ = -1;
        if (fd < 0) return Failed(EBADF);
        return ::close(fd) == 0 || Failed(errno);
    }

    std::string FailureCause() const override { return SystemErrorText(error_); }

private:
    bool Failed(int error) {
        error_ = error;
        return false;
    }

    int fd_;
    int error_ = 0;
};

// Makes a rename durable: the directory entry itself is flushed.
bool SyncDirectoryOf(const std::filesystem::path& file) {
    const std::filesystem::path dir =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

class PosixFileSystem : public FileSystem {
public:
    bool Exists(std::string_view path) override {
        struct stat st {};
        return ::stat(NativePath(path).c_str(), &st) == 0;
    }

    bool IsDirectory(std::string_view path) override {
        struct stat st {};
        return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    bool MakeDirectory(std::string_view path) override {
        const auto native = NativePath(path);
        if (::mkdir(native.c_str(), 0777) == 0) return true;
        return errno == EEXIST && IsDirectory(path);
    }

    std::optional<std::string> ReadAll(std::string_view path, std::size_t maxBytes) override {
        FileReadResult read = ReadRegularFile(NativePath(path), maxBytes);
        cause_ = read.missing ? std::string() : std::move(read.problem);
        return std::move(read.bytes);
    }

    std::unique_ptr<OutputFile> Create(std::string_view path) override {
        const auto native = NativePath(path);
        const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            cause_ = SystemErrorText(errno);
            return nullptr;
        }
        return std::make_unique<PosixOutputFile>(fd);
    }

    bool Replace(std::string_view from, std::string_view to) override {
        const auto target = NativePath(to);
        if (std::rename(NativePath(from).c_str(), target.c_str()) != 0 || !SyncDirectoryOf(target)) {
            cause_ = SystemErrorText(errno);
            return false;
        }
        return true;
    }

    bool Remove(std::string_view path) override { return ::unlink(NativePath(path).c_str()) == 0; }

    std::string FailureCause() const override { return cause_; }

private:
    std::string cause_;
};

}  // namespace

FileSystem& RealFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

}  // namespace gvc
