// Where Windows-1251 path texts meet the file system. The core spells its fixed
// locations the Windows way ("D:\ВЕЛМОР_Датчики\Отчет"); this turns them into a
// path the operating system understands.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace gvc {

// A path below D:\ВЕЛМОР_Датчики is first moved below the data folder in use
// (see SetDataFolder). Then, on Windows: the text converted to UTF-16 as it
// stands. Elsewhere: a drive "X:" becomes the directory named by GVC_DRIVE_X
// (else the home directory), backslashes become "/", and the text is
// converted to UTF-8.
std::filesystem::path NativePath(std::string_view cp1251Path);

// A path typed by the user (a command-line argument, UTF-8) as the file system
// takes it: on Windows converted to UTF-16 explicitly, never through the ANSI
// code page; elsewhere the bytes as they are. A drive "D:" is not mapped: the
// user names the file as the system sees it.
std::filesystem::path PathFromUtf8(std::string_view utf8Path);

// The Windows-1251 text of a native path (the inverse of NativePath for the
// part below a drive; used for the working directory).
std::string Cp1251PathText(const std::filesystem::path& path);

// The workstation's data folder. The core spells its locations below
// D:\ВЕЛМОР_Датчики (locations.h); a PC without a usable drive D: keeps its
// data elsewhere, named once in the PC's settings (app/machine_settings.h) and
// set here at start-up. Windows-1251 texts spelled as paths are spelled:
// "E:\ВЕЛМОР_Датчики", "\\server\share\ВЕЛМОР_Датчики", or on POSIX systems
// also "/srv/gvc/ВЕЛМОР_Датчики".
std::string_view DefaultDataFolder();
// Empty or the default: the default folder again.
void SetDataFolder(std::string_view cp1251Folder);
// The folder in use, as set (the default when none was).
std::string DataFolder();
// A path below the default folder moved below the folder in use; any other
// path as it is.
std::string InDataFolder(std::string_view cp1251Path);
// Whether a text can name a data folder: a full path (drive, share or POSIX
// root), no wildcard or control character. False with the reason (Windows-1251).
bool IsDataFolderText(std::string_view cp1251Folder, std::string& problem);
// A path as the operator finds it on this system: on Windows the path itself
// (below the folder in use), elsewhere the file system's path below the
// directory drive D: is mapped to. For messages.
std::string ShownPath(std::string_view cp1251Path);

// Whether the drive (or share, or mapped directory) of a path exists and can
// hold a new folder: false for a missing drive letter or a CD/DVD drive.
// POSIX: always true (the mapped directory is made when missing).
bool DriveCanHoldFolder(std::string_view cp1251Path);

// A file read whole, or why not.
struct FileReadResult {
    std::optional<std::string> bytes;
    // Windows-1251, when there are no bytes: the file's name and what is wrong
    // (not a regular file, larger than allowed, or the system's error text).
    std::string problem;
    // True when there is no such file: callers whose fixed message already
    // says the file cannot be opened show nothing more.
    bool missing = false;
};

// The whole content of a regular file of at most `maxBytes` bytes. A
// directory, FIFO, device or socket is refused without waiting on it, and so is
// a larger file, before anything is read into memory.
FileReadResult ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes);

// The same when only success matters.
inline std::optional<std::string> ReadFileBytes(const std::filesystem::path& path, std::size_t maxBytes) {
    return ReadRegularFile(path, maxBytes).bytes;
}

// The problem texts of ReadRegularFile, shared by both systems.
std::string NotRegularFileProblem(const std::filesystem::path& path);
std::string FileTooLargeProblem(const std::filesystem::path& path, std::size_t maxBytes);
std::string FileErrorProblem(const std::filesystem::path& path, int systemError);

}  // namespace gvc
