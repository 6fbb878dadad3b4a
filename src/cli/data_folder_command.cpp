// `gvc-cli data-folder`: where this PC keeps the workstation's data, and
// setting it once for the PC (the installer runs `data-folder set` for its
// DATADIR property).
#include <ostream>

#include "app/machine_settings.h"
#include "cli/cli_command.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc::cli {

namespace {

int Usage(CommandIo io) {
    io.err << "usage: gvc-cli data-folder [show]        the data folder in use and where it is\n"
              "       gvc-cli data-folder set FOLDER    keep FOLDER (E:\\ВЕЛМОР_Датчики) as this PC's data "
              "folder\n"
              "       gvc-cli data-folder reset         back to the default D:\\ВЕЛМОР_Датчики\n";
    return 2;
}

int Show(CommandIo io) {
    const MachineSettings settings = LoadMachineSettings(RealFileSystem());
    io.out << "data folder: " << Utf8FromCp1251(DataFolder())
           << (settings.dataFolder.empty() ? " (the default)" : "") << "\n";
    PrintLine(io.out, "on this system: " + ShownPath(DataFolder()));
    PrintLine(io.out, "set in: " + MachineSettingsFile());
    if (!DriveCanHoldFolder(DataFolder()))
        io.err << "the drive of " << Utf8FromCp1251(DataFolder())
               << " is missing or cannot hold a folder: gvc-cli data-folder set FOLDER\n";
    return 0;
}

int Save(const std::string& folder, CommandIo io) {
    MachineSettings settings = LoadMachineSettings(RealFileSystem());
    settings.dataFolder = folder;
    std::string cause;
    if (!SaveMachineSettings(RealFileSystem(), settings, cause)) {
        PrintLine(io.err, "not written: " + MachineSettingsFile() + ": " + cause);
        return 1;
    }
    SetDataFolder(folder);
    return Show(io);
}

}  // namespace

int RunDataFolder(std::span<const std::string> args, CommandIo io) {
    if (args.empty() || (args.size() == 1 && args[0] == "show")) return Show(io);
    if (args.size() == 1 && args[0] == "reset") return Save({}, io);
    if (args.size() != 2 || args[0] != "set") return Usage(io);
    std::string problem;
    const std::string folder = Cp1251FromUtf8(args[1]);
    if (!IsCp1251Encodable(args[1])) problem = "a character of the folder's name has no Windows-1251 form";
    if (problem.empty() && !IsDataFolderText(folder, problem)) problem = Utf8FromCp1251(problem);
    if (!problem.empty()) {
        io.err << "gvc-cli data-folder: " << args[1] << ": " << problem << "\n";
        return 2;
    }
    return Save(folder, io);
}

}  // namespace gvc::cli
