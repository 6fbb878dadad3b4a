#include <ostream>

#include "central/central_sender.h"
#include "central/central_settings.h"
#include "cli/central_commands.h"
#include "cli/central_server_check.h"
#include "cli/store_access.h"
#include "util/native_path.h"

namespace gvc::cli {

namespace {

using namespace gvc::literals;

// The settings, or nothing after saying that there are none or why they are bad.
std::optional<CentralSettings> SettingsOrSay(CommandIo io) {
    std::string problem;
    auto settings = LoadCentralSettings(problem);
    if (settings) return settings;
    if (problem.empty()) {
        io.err << "gvc-cli central: no " << Utf8FromCp1251(ShownPath(locations::CentralSettingsFile))
               << ": this workstation sends to no central database (gvc-cli central connect)\n";
    } else {
        PrintLine(io.err, problem);
    }
    return std::nullopt;
}

}  // namespace

int CentralSend(std::span<const std::string> args, CommandIo io) {
    if (!args.empty()) {
        io.err << "usage: gvc-cli central send\n";
        return 2;
    }
    const auto settings = SettingsOrSay(io);
    if (!settings) return 2;
    if (!WorkstationStoreExists()) {
        io.out << "no calibration database yet: nothing to send\n";
        return 0;
    }
    const auto store = OpenStoreOrSay(io, false);
    if (!store) return 1;
    const SendResult r = SendPendingRuns(*store, *settings);
    io.out << "sent " << r.sent << ", already there " << r.alreadyThere << ", refused " << r.refused
           << ", left " << r.left << "\n";
    // Every refused run named; another reason to stop, when there is one.
    for (const std::string& refusal : r.refusals)
        PrintLine(io.err, refusal);
    if (!r.message.empty() && (r.refusals.empty() || r.message != r.refusals.front()))
        PrintLine(io.err, r.message);
    PrintLine(io.out, CentralStatusText(CentralStateOf(r), r.left));
    return r.complete ? 0 : 1;
}

int CentralStatus(std::span<const std::string> args, CommandIo io) {
    if (!args.empty()) {
        io.err << "usage: gvc-cli central status\n";
        return 2;
    }
    const auto settings = SettingsOrSay(io);
    if (!settings) return 2;
    // No database yet: nothing waits.
    StoreRead<std::int64_t> unsent{true, {}, 0};
    if (WorkstationStoreExists()) {
        const auto store = OpenStoreOrSay(io, false);
        if (!store) return 1;
        unsent = UnsentRunCount(*store);
    }
    if (!unsent.ok) {
        PrintLine(io.err, unsent.message);
        return 1;
    }
    // A server that cannot take this workstation's runs is a failure, named by its cause.
    const CentralCheck check = CheckCentralServer(ConnectOptionsOf(*settings), true);
    const bool usable = check.problem == CentralProblem::kNone;
    if (!usable) PrintLine(io.err, check.line);
    const CentralState state = !usable             ? CentralState::kNoConnection
                               : unsent.value == 0 ? CentralState::kSent
                                                   : CentralState::kUnsent;
    PrintLine(io.out, CentralStatusText(state, unsent.value));
    return usable ? 0 : 1;
}

void SendAfterRun(CommandIo io) {
    std::string problem;
    const auto settings = LoadCentralSettings(problem);
    if (!settings) {
        if (!problem.empty()) PrintLine(io.err, problem);
        return;
    }
    std::string message;
    const auto store = CalibrationStore::Open(DefaultStoreFile(), message);
    if (!store) return;  // the run waits in the outbox; its own message was shown
    const SendResult r = SendPendingRuns(*store, *settings);
    if (!r.complete) {
        if (!r.message.empty()) PrintLine(io.err, r.message);
        PrintLine(io.err, "Запись ждёт отправки в центральную базу"_cp);
    }
    PrintLine(io.out, CentralStatusText(CentralStateOf(r), r.left));
}

}  // namespace gvc::cli
