#include <exception>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/machine_settings.h"
#include "cli/cli_command.h"
#include "cli/command_line.h"
#ifdef GVC_WITH_CENTRAL
#include "cli/central_commands.h"
#endif
#include "util/cp1251.h"

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(std::span<const std::string>, gvc::cli::CommandIo);
    // The options the command takes, those followed by a value marked "=".
    // Empty for none; calibrate checks its own.
    std::vector<std::string_view> options = {};
    bool checksOwnOptions = false;
};

const Command kCommands[] = {
    {"table-check", "table-check FILE        check a sensor-type table file and list its gases",
     gvc::cli::RunTableCheck},
    {"read", "read                    connect, admit and read the sensor; print every value",
     gvc::cli::RunRead},
    {"sample", "sample N                N live samples 500 ms apart", gvc::cli::RunSample},
    {"probe", "probe                   find the calibration device, open it and probe it",
     gvc::cli::RunProbe},
    {"log-verify", "log-verify FILE         check a report log or a certificate and print its records",
     gvc::cli::RunLogVerify},
    {"calibrate",
     "calibrate [--yes] [--reference VALUE [--above-range] | --cylinder ID] [--operator NAME]  calibrate the "
     "connected sensor from the terminal",
     gvc::cli::RunCalibrate,
     {},
     true},
    {"version", "version                 print the version of this program file", gvc::cli::RunVersion},
    // --central: the same readers over every workstation's runs on the laboratory's server.
    {"export-csv",
     "export-csv [--excel] [LOG... | --central]  the database's runs (or the report logs given, or every "
     "workstation's on the central server) as one CSV table",
     gvc::cli::RunExportCsv,
     {"--excel", "--central"}},
    {"history",
     "history SENSOR [LOG | --central]  one sensor's calibrations from the database (or LOG, or the central "
     "server)",
     gvc::cli::RunHistory,
     {"--central"}},
    {"due",
     "due [--within DAYS] [--today YYYY-MM-DD] [--tsv] [--files | --central]  sensors due for calibration",
     gvc::cli::RunDue,
     {"--within=", "--today=", "--tsv", "--files", "--central"}},
    {"db",
     "db verify|import        hold the database against its chain and the files; import the files",
     gvc::cli::RunDb,
     {},
     true},
    {"cylinder", "cylinder add|list|retire  the reference gas cylinders", gvc::cli::RunCylinder, {}, true},
    {"data-folder",
     "data-folder [show|set FOLDER|reset]  where this PC keeps the data (default D:\\ВЕЛМОР_Датчики)",
     gvc::cli::RunDataFolder,
     {},
     true},
#ifdef GVC_WITH_CENTRAL
    // The laboratory's central PostgreSQL database.
    {"central",
     "central init|add-user|connect|send|status|verify  set up the laboratory's central database, connect "
     "this workstation, send its runs, compare them with the server's copy",
     gvc::cli::RunCentral,
     {},
     true},
#endif
};

// An argument that looks like an option ("-x", "--xyz"; not "-" or "-5") but
// is none of the command's is named as such, rather than taken for a file.
bool RefusesUnknownOption(const Command& c, std::span<const std::string> args, std::ostream& err) {
    if (c.checksOwnOptions) return false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] >= '0' && arg[1] <= '9')) continue;
        bool known = false;
        for (std::string_view option : c.options) {
            const bool takesValue = option.ends_with('=');
            if (takesValue) option.remove_suffix(1);
            if (arg != option) continue;
            known = true;
            if (takesValue) ++i;  // the value may start with "-"
        }
        if (!known) {
            err << "gvc-cli " << c.name << ": unknown option " << arg << "\n";
            return true;
        }
    }
    return false;
}

int Usage(std::ostream& out) {
    out << "usage: gvc-cli COMMAND [ARGS]\n";
    for (const Command& c : kCommands)
        out << "  " << c.usage << "\n";
    out << "  --help                  print this text\n";
    return 2;
}

}  // namespace

namespace gvc::cli {

void PrintLine(std::ostream& stream, std::string_view cp1251) {
    stream << Utf8FromCp1251(cp1251) << "\n";
}

}  // namespace gvc::cli

namespace {

int RunCommand(int argc, char** argv) {
    gvc::cli::PrepareStandardStreams();
    std::vector<std::string> args = gvc::cli::Utf8Arguments(argc, argv);
    // The PC's data folder, for every command; a folder the settings name
    // wrongly is said, and the default is used.
    if (const std::string problem = gvc::ApplyMachineSettings(gvc::RealFileSystem()); !problem.empty())
        gvc::cli::PrintLine(std::cerr, problem);
    if (args.empty()) return Usage(std::cerr);
    const std::string name = args.front();
    args.erase(args.begin());
    // Asked for: the usage on standard output, and success.
    if (name == "--help" || name == "-h" || name == "help") {
        Usage(std::cout);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (name != c.name) continue;
        if (RefusesUnknownOption(c, args, std::cerr)) {
            std::cerr << "usage: gvc-cli " << c.usage << "\n";
            return 2;
        }
        return c.run(args, gvc::cli::CommandIo{std::cout, std::cerr});
    }
    std::cerr << "gvc-cli: unknown command " << name << "\n";
    return Usage(std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    // Last resort: an exception that escapes a command is printed, never a crash.
    try {
        return RunCommand(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "gvc-cli: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "gvc-cli: unexpected failure\n";
    }
    return 2;
}
