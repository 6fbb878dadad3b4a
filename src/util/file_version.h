// The "FileVersion" of an executable file, for the main window's title and
// `gvc-cli version`.
#pragma once

#include <string>

namespace gvc {

// `path` is Windows-1251. Returns the file's FileVersion text, or an empty text
// when the file has none or cannot be read. On Windows this is the version
// resource; elsewhere it is the version marker our build links into every
// program (a file without the marker has no version).
std::string GetFileVersionText(const std::string& path);

// The version this build was made with.
std::string CompiledVersionText();

}  // namespace gvc
