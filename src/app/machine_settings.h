// The PC's own settings, the same for every user and both front ends: where
// the workstation's data folder is, when not D:\ВЕЛМОР_Датчики. One
// "key=value" file (Windows-1251, CR LF), G_Varnest.ini in the PC's program
// data folder: on Windows %ProgramData%\G_Varnest, elsewhere $GVC_PROGRAM_DATA,
// else ${XDG_CONFIG_HOME:-~/.config}/g-varnest. It is written by the program's
// first start (when the operator chooses another folder), by
// `gvc-cli data-folder set` and by the installer (msiexec ... DATADIR=...).
#pragma once

#include <string>

#include "util/file_system.h"

namespace gvc {

struct MachineSettings {
    std::string dataFolder;  // Windows-1251; empty: D:\ВЕЛМОР_Датчики
};

// The folder of the file and the file (Windows-1251 paths as NativePath takes them).
std::string MachineSettingsFolder();
std::string MachineSettingsFile();

MachineSettings ParseMachineSettings(std::string_view text);
std::string MachineSettingsText(const MachineSettings& settings);

// A missing or unreadable file leaves every setting at its default.
MachineSettings LoadMachineSettings(FileSystem& fs);
// Makes the file's folder when missing and writes the file in one step.
bool SaveMachineSettings(FileSystem& fs, const MachineSettings& settings, std::string& cause);

// Reads the file and sets the data folder it names for this process (see
// SetDataFolder). Empty, or why the folder named is not used (Windows-1251;
// the default folder is used then).
std::string ApplyMachineSettings(FileSystem& fs);

}  // namespace gvc
