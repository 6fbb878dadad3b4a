// The workstation's data folder: D:\ВЕЛМОР_Датчики unless the PC's settings
// name another. Every fixed location of the core is spelled below the default
// folder; NativePath moves what lies below it to the folder in use, so no
// caller needs to know where the data really are.
#include <mutex>

#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

namespace {

using namespace gvc::literals;

constexpr std::string_view kDefaultDataFolder = "D:\\ВЕЛМОР_Датчики"_cp;

std::mutex& FolderMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& FolderInUse() {
    static std::string folder;
    return folder;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string_view DefaultDataFolder() {
    return kDefaultDataFolder;
}

void SetDataFolder(std::string_view cp1251Folder) {
    std::string folder(cp1251Folder);
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    const std::lock_guard<std::mutex> lock(FolderMutex());
    FolderInUse() = folder == kDefaultDataFolder ? std::string() : folder;
}

std::string DataFolder() {
    const std::lock_guard<std::mutex> lock(FolderMutex());
    return FolderInUse().empty() ? std::string(kDefaultDataFolder) : FolderInUse();
}

std::string InDataFolder(std::string_view cp1251Path) {
    // The drive letter in either case; the folder's name as the core spells it.
    if (cp1251Path.size() < kDefaultDataFolder.size() || Upper(cp1251Path[0]) != 'D' ||
        cp1251Path.substr(1, kDefaultDataFolder.size() - 1) != kDefaultDataFolder.substr(1))
        return std::string(cp1251Path);
    const std::string_view rest = cp1251Path.substr(kDefaultDataFolder.size());
    if (!rest.empty() && rest.front() != '\\') return std::string(cp1251Path);
    return DataFolder() + std::string(rest);
}

bool IsDataFolderText(std::string_view cp1251Folder, std::string& problem) {
    problem.clear();
    const std::string_view f = cp1251Folder;
    const bool drive =
        f.size() >= 3 && ((Upper(f[0]) >= 'A' && Upper(f[0]) <= 'Z') && f[1] == ':' && f[2] == '\\');
    const bool share = f.size() >= 5 && f[0] == '\\' && f[1] == '\\' && f[2] != '\\';
    const bool posix = f.size() >= 2 && f[0] == '/';
    if (!drive && !share && !posix) {
        problem = "папка данных задаётся полным путём: E:\\ВЕЛМОР_Датчики или \\\\сервер\\папка"_cp;
        return false;
    }
    for (const char c : f.substr(2)) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || std::string_view("*?\"<>|:").find(c) != std::string_view::npos) {
            problem = "в пути к папке данных недопустимый символ"_cp;
            return false;
        }
    }
    if (f.size() > 200) {
        problem = "путь к папке данных длиннее 200 знаков"_cp;
        return false;
    }
    return true;
}

std::string ShownPath(std::string_view cp1251Path) {
    return Cp1251PathText(NativePath(cp1251Path));
}

}  // namespace gvc
