// The file operations of the records, behind an interface so tests can make any
// step fail (or stop the process there) and see that nothing is lost. Paths are
// Windows-1251 texts spelled the Windows way ("D:\ВЕЛМОР_Датчики\Отчет");
// the real file system turns them into native paths with NativePath.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace gvc {

// A file being written. Close() is called by the owner; a file destroyed
// without Close() is closed quietly.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    // Writes all bytes; false when fewer went out (a full disk, an I/O error).
    virtual bool Write(std::string_view bytes) = 0;
    // Forces the written bytes onto the disk (fsync / FlushFileBuffers).
    virtual bool Flush() = 0;
    virtual bool Close() = 0;
    // Why the last failing Write, Flush or Close failed: the system's
    // Windows-1251 text ("No space left on device"), or empty when unknown.
    virtual std::string FailureCause() const { return {}; }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool Exists(std::string_view path) = 0;
    virtual bool IsDirectory(std::string_view path) = 0;
    // Creates one directory (its parent must exist); true when it exists afterwards.
    virtual bool MakeDirectory(std::string_view path) = 0;
    // The whole content of a regular file of at most `maxBytes` bytes, or
    // nothing when it cannot be opened or read, is not a regular file or is larger.
    virtual std::optional<std::string> ReadAll(std::string_view path, std::size_t maxBytes) = 0;
    // Creates or truncates a file for writing; nothing when it cannot be created.
    virtual std::unique_ptr<OutputFile> Create(std::string_view path) = 0;
    // Puts `from` in the place of `to` in one step, so that at every instant `to`
    // is either the old or the new file, and makes the change durable.
    virtual bool Replace(std::string_view from, std::string_view to) = 0;
    virtual bool Remove(std::string_view path) = 0;
    // Why the last failing ReadAll, Create or Replace failed, in Windows-1251:
    // for ReadAll the file's name and what is wrong with it (nothing for a
    // missing file), for the others the system's text; empty when unknown.
    virtual std::string FailureCause() const { return {}; }
};

// The operating system's file system.
FileSystem& RealFileSystem();

// Creates `path` by writing `content` to a temporary file beside it, flushing
// it and replacing `path` with it: a failure leaves the old file as it was and
// puts the failing step's cause into `cause` (empty when unknown).
bool WriteFileAtomically(FileSystem& fs, std::string_view path, std::string_view content, std::string& cause);
bool WriteFileAtomically(FileSystem& fs, std::string_view path, std::string_view content);

}  // namespace gvc
