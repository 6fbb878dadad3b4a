#include <windows.h>

#include "util/file_system.h"
#include "util/native_path.h"
#include "util/system_error.h"

namespace gvc {

namespace {

class Win32OutputFile : public OutputFile {
public:
    explicit Win32OutputFile(HANDLE handle) : handle_(handle) {}
    ~Win32OutputFile() override {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }

    bool Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            DWORD written = 0;
            if (!WriteFile(handle_, bytes.data(), chunk, &written, nullptr)) return Failed(GetLastError());
            if (written == 0) return Failed(ERROR_WRITE_FAULT);
            bytes.remove_prefix(written);
        }
        return true;
    }

    bool Flush() override { return FlushFileBuffers(handle_) != 0 || Failed(GetLastError()); }

    bool Close() override {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        if (handle == INVALID_HANDLE_VALUE) return Failed(ERROR_INVALID_HANDLE);
        return CloseHandle(handle) != 0 || Failed(GetLastError());
    }

    std::string FailureCause() const override { return SystemErrorText(static_cast<int>(error_)); }

private:
    bool Failed(DWORD error) {
        error_ = error;
        return false;
    }

    HANDLE handle_;
    DWORD error_ = 0;
};

class Win32FileSystem : public FileSystem {
public:
    bool Exists(std::string_view path) override {
        return GetFileAttributesW(NativePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    bool IsDirectory(std::string_view path) override {
        const DWORD attributes = GetFileAttributesW(NativePath(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    bool MakeDirectory(std::string_view path) override {
        if (CreateDirectoryW(NativePath(path).c_str(), nullptr)) return true;
        return GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(path);
    }

    std::optional<std::string> ReadAll(std::string_view path, std::size_t maxBytes) override {
        FileReadResult read = ReadRegularFile(NativePath(path), maxBytes);
        cause_ = read.missing ? std::string() : std::move(read.problem);
        return std::move(read.bytes);
    }

    std::unique_ptr<OutputFile> Create(std::string_view path) override {
        const auto native = NativePath(path);
        const HANDLE handle = CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            cause_ = SystemErrorText(static_cast<int>(GetLastError()));
            return nullptr;
        }
        return std::make_unique<Win32OutputFile>(handle);
    }

    bool Replace(std::string_view from, std::string_view to) override {
        const auto target = NativePath(to);
        const auto source = NativePath(from);
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        // A rename over a file that someone holds open fails even when the
        // reader shares deletion (Wine, NTFS without POSIX renames); the
        // replacement made for that case swaps the new file in under the
        // reader, who goes on reading the old one.
        if ((error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) &&
            ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                         nullptr))
            return true;
        cause_ = SystemErrorText(static_cast<int>(error));
        return false;
    }

    bool Remove(std::string_view path) override { return DeleteFileW(NativePath(path).c_str()) != 0; }

    std::string FailureCause() const override { return cause_; }

private:
    std::string cause_;
};

}  // namespace

FileSystem& RealFileSystem() {
    static Win32FileSystem fs;
    return fs;
}

}  // namespace gvc
