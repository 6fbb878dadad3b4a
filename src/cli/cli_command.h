// Sub-commands of gvc-cli. Each returns the process exit code. Results go to
// standard output, what the program would show in a message box to standard
// error, both as UTF-8.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace gvc::cli {

struct CommandIo {
    std::ostream& out;
    std::ostream& err;
};

int RunTableCheck(std::span<const std::string> args, CommandIo io);
int RunRead(std::span<const std::string> args, CommandIo io);
int RunSample(std::span<const std::string> args, CommandIo io);
int RunProbe(std::span<const std::string> args, CommandIo io);
int RunLogVerify(std::span<const std::string> args, CommandIo io);
int RunCalibrate(std::span<const std::string> args, CommandIo io);
int RunVersion(std::span<const std::string> args, CommandIo io);
// Records put to use: CSV export, one sensor's history, sensors due.
int RunExportCsv(std::span<const std::string> args, CommandIo io);
int RunHistory(std::span<const std::string> args, CommandIo io);
int RunDue(std::span<const std::string> args, CommandIo io);
// The calibration database: verify and import; the reference gas cylinders.
int RunDb(std::span<const std::string> args, CommandIo io);
int RunCylinder(std::span<const std::string> args, CommandIo io);
// Where this PC keeps the workstation's data (the PC's settings file).
int RunDataFolder(std::span<const std::string> args, CommandIo io);
// `gvc-cli central verify`: the workstation's database and files against the
// server's copy of its runs (with the central client only; see central_commands.h).
int RunCentralVerify(std::span<const std::string> args, CommandIo io);

// Sets up standard input, output and error for UTF-8 text (Windows consoles).
void PrepareStandardStreams();

// Prints a Windows-1251 text as a UTF-8 line.
void PrintLine(std::ostream& stream, std::string_view cp1251);

}  // namespace gvc::cli
