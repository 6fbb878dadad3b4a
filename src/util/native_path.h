// Where Windows-1251 path texts meet the file system. The core spells its fixed
// locations the Windows way ("D:\ВЕЛМОР_Датчики\Отчет"); this turns them into a
// path the operating system understands.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace gvc {

// On Windows: the text converted to UTF-16 as it stands. Elsewhere: drive "D:"
// becomes the directory named by GVC_DRIVE_D (else the home directory),
// backslashes become "/", and the text is converted to UTF-8.
std::filesystem::path NativePath(std::string_view cp1251Path);

// The Windows-1251 text of a native path (the inverse of NativePath for the
// part below a drive; used for the working directory).
std::string Cp1251PathText(const std::filesystem::path& path);

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

}  // namespace gvc
