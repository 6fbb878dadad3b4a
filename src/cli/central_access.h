// How the record readers of gvc-cli reach the laboratory's central database
// (--central): the workstation's central.ini names the server; without it, or
// when the server cannot be reached, the command says so and fails (exit 1).
// A gvc-cli built without the central client says that instead.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "util/calendar.h"
#ifdef GVC_WITH_CENTRAL
#include "central/central_reader.h"
#endif

namespace gvc::cli {

// The arguments without "--central", and whether it was there.
struct CentralChoice {
    bool central = false;
    std::vector<std::string> rest;
};

inline CentralChoice TakeCentralOption(std::span<const std::string> args) {
    CentralChoice choice;
    for (const std::string& arg : args) {
        if (arg == "--central") {
            choice.central = true;
        } else {
            choice.rest.push_back(arg);
        }
    }
    return choice;
}

#ifdef GVC_WITH_CENTRAL

// The laboratory's server as central.ini names it; nothing after saying why
// not (no such file, a file that cannot be read, a server out of reach).
std::unique_ptr<CentralReader> OpenCentralOrSay(CommandIo io);

// history, due and export-csv from every workstation's runs on the server,
// with the same output as from the workstation's database.
int HistoryFromCentral(const std::string& sensor, CommandIo io);
int DueFromCentral(const CivilDate& today, std::int64_t within, bool tsv, CommandIo io);
int CsvFromCentral(bool excel, CommandIo io);

// `gvc-cli central verify`: the workstation's database and files against
// themselves and against the server's copy of its runs.
int RunCentralVerify(std::span<const std::string> args, CommandIo io);

#else

inline int NoCentralClient(CommandIo io) {
    io.err << "this gvc-cli is built without the central database client\n";
    return 1;
}
inline int HistoryFromCentral(const std::string&, CommandIo io) {
    return NoCentralClient(io);
}
inline int DueFromCentral(const CivilDate&, std::int64_t, bool, CommandIo io) {
    return NoCentralClient(io);
}
inline int CsvFromCentral(bool, CommandIo io) {
    return NoCentralClient(io);
}

#endif

}  // namespace gvc::cli
