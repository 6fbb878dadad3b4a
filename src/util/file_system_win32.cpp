#include <windows.h>

#include "util/file_system.h"
#include "util/native_path.h"

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
            if (!WriteFile(handle_, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
            bytes.remove_prefix(written);
        }
        return true;
    }

    bool Flush() override { return FlushFileBuffers(handle_) != 0; }

    bool Close() override {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle != INVALID_HANDLE_VALUE && CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
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

    std::optional<std::string> ReadAll(std::string_view path) override {
        return ReadFileBytes(NativePath(path));
    }

    std::unique_ptr<OutputFile> Create(std::string_view path) override {
        const HANDLE handle = CreateFileW(NativePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32OutputFile>(handle);
    }

    bool Replace(std::string_view from, std::string_view to) override {
        return MoveFileExW(NativePath(from).c_str(), NativePath(to).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }

    bool Remove(std::string_view path) override { return DeleteFileW(NativePath(path).c_str()) != 0; }
};

}  // namespace

FileSystem& RealFileSystem() {
    static Win32FileSystem fs;
    return fs;
}

}  // namespace gvc
