#include "app/machine_settings.h"

#include <filesystem>

#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/text_format.h"

namespace gvc {

namespace {

using namespace gvc::literals;

constexpr std::size_t kMaxFile = 64 * 1024;
constexpr std::string_view kDataFolderKey = "data_folder=";

}  // namespace

std::string MachineSettingsFile() {
    return MachineSettingsFolder() + (MachineSettingsFolder().starts_with("/") ? "/" : "\\") +
           "G_Varnest.ini";
}

MachineSettings ParseMachineSettings(std::string_view text) {
    MachineSettings settings;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = TrimBlanks(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.starts_with(kDataFolderKey))
            settings.dataFolder = TrimBlanks(line.substr(kDataFolderKey.size()));
    }
    return settings;
}

std::string MachineSettingsText(const MachineSettings& settings) {
    return std::string(kDataFolderKey) + settings.dataFolder + "\r\n";
}

MachineSettings LoadMachineSettings(FileSystem& fs) {
    const std::optional<std::string> text = fs.ReadAll(MachineSettingsFile(), kMaxFile);
    return text ? ParseMachineSettings(*text) : MachineSettings{};
}

bool SaveMachineSettings(FileSystem& fs, const MachineSettings& settings, std::string& cause) {
    std::error_code error;
    std::filesystem::create_directories(NativePath(MachineSettingsFolder()), error);
    return WriteFileAtomically(fs, MachineSettingsFile(), MachineSettingsText(settings), cause);
}

std::string ApplyMachineSettings(FileSystem& fs) {
    const MachineSettings settings = LoadMachineSettings(fs);
    std::string problem;
    if (settings.dataFolder.empty() || !IsDataFolderText(settings.dataFolder, problem)) {
        SetDataFolder({});
        if (problem.empty()) return {};
        return MachineSettingsFile() + ": " + problem;
    }
    SetDataFolder(settings.dataFolder);
    return {};
}

}  // namespace gvc
