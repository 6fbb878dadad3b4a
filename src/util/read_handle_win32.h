// Windows: how a file that is only read is opened, in one place, so that a
// check under Wine can hold a file open exactly as the readers do.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <filesystem>

namespace gvc {

// A handle for reading that lets others read, write, rename, replace and
// delete the file meanwhile; INVALID_HANDLE_VALUE with GetLastError() set when
// the file cannot be opened.
HANDLE OpenForReading(const std::filesystem::path& path);

}  // namespace gvc
