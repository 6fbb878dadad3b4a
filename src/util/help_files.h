// Where the program's help lives: the help file below the working directory
// and, beside it, the operator's guide in HTML. The "?" button opens the
// help file when it exists, otherwise the guide.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace gvc {

struct HelpFiles {
    std::filesystem::path helpFile;  // the help file of the program
    std::filesystem::path guide;     // the operator's guide
};

// Both files below the working directory `programDir` (a Windows-1251 text),
// as paths of this operating system.
HelpFiles LocateHelpFiles(std::string_view programDir);

enum class HelpChoice { kHelpFile, kGuide, kNone };

// What "?" opens: the help file when it exists, else the guide, else nothing.
HelpChoice ChooseHelp(const HelpFiles& files);

// The Windows-1251 text of a path as this operating system writes it (its
// own separators throughout), for a message to the operator.
std::string NativePathText(const std::filesystem::path& path);

}  // namespace gvc
