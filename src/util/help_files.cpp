#include "util/help_files.h"

#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

using namespace gvc::literals;

namespace {

// Below the working directory, spelt the Windows way as the program's fixed
// paths are.
constexpr std::string_view kHelpFile = "\\Help\\ВЕЛМОР_Варнест-C.hlp"_cp;
constexpr std::string_view kGuide = "\\Help\\operator_guide.html";

bool IsFile(const std::filesystem::path& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

HelpFiles LocateHelpFiles(std::string_view programDir) {
    if (programDir.empty()) return {};
    std::string dir(programDir);
    // A root directory ends in its separator already.
    while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    return {NativePath(dir + std::string(kHelpFile)), NativePath(dir + std::string(kGuide))};
}

HelpChoice ChooseHelp(const HelpFiles& files) {
    if (IsFile(files.helpFile)) return HelpChoice::kHelpFile;
    if (IsFile(files.guide)) return HelpChoice::kGuide;
    return HelpChoice::kNone;
}

std::string NativePathText(const std::filesystem::path& path) {
    return Cp1251PathText(path.lexically_normal().make_preferred());
}

}  // namespace gvc
