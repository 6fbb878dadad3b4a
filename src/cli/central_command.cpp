#include <filesystem>
#include <ostream>

#include "central/central_schema.h"
#include "central/central_settings.h"
#include "cli/central_commands.h"
#include "cli/central_options.h"
#include "cli/central_server_check.h"
#include "util/native_path.h"

namespace gvc::cli {

namespace {

using namespace gvc::literals;

int Usage(CommandIo io) {
    io.err
        << "usage: gvc-cli central init|add-user|connect|send|status|verify [OPTIONS]\n"
           "  central init --host H [--port P] --database D --user ADMIN [--passfile PGPASS | "
           "--password-stdin]\n"
           "               [--sslmode M]\n"
           "  central add-user NAME [--reader] [--password-file FILE | --password-stdin] --host H [--port "
           "P]\n"
           "                   --database D --user ADMIN [--passfile PGPASS] [--sslmode M]\n"
           "  central connect --host H [--port P] --database D --user U [--passfile PGPASS] [--sslmode M]\n"
           "                  [--password-file FILE | --password-stdin]\n"
           "  central send\n"
           "  central status\n"
           "  central verify\n";
    return 2;
}

// The administrator's connection; `password` (from --password-stdin) is given
// to libpq in memory and written nowhere.
std::unique_ptr<PgConnection> ConnectOrSay(const CentralSettings& settings,
                                           const std::optional<std::string>& password, CommandIo io) {
    PgConnectOptions options = ConnectOptionsOf(settings);
    if (password) options.password = *password;
    std::string message;
    auto connection = PgConnection::Connect(options, message);
    if (!connection) {
        // The server may well be there: say why it refused, in the same words as connect.
        const CentralCheck check = CheckCentralServer(options, false);
        PrintLine(io.err, check.problem == CentralProblem::kNone ? message : check.line);
    }
    return connection;
}

// As the administrator: the schema and the roles, created or migrated.
int Init(std::span<const std::string> args, CommandIo io) {
    const auto a = ParseCentralArgs(args, kConnectionOptions, {"--password-stdin"}, io);
    if (!a || !a->positional.empty()) return Usage(io);
    const auto settings = SettingsFromArgs(*a, io);
    if (!settings) return 2;
    std::optional<std::string> adminPassword;
    if (a->Has("--password-stdin") && !(adminPassword = ReadPassword(*a, io))) return 2;
    const auto admin = ConnectOrSay(*settings, adminPassword, io);
    if (!admin) return 1;
    std::string message;
    const auto before = CentralSchemaVersion(*admin, message);
    if (!before || !MigrateCentral(*admin, message)) {
        PrintLine(io.err, message);
        return 1;
    }
    io.out << "schema gvc at version " << CentralSchemaTarget() << " (was " << *before << "); roles "
           << kWorkstationRole << " and " << kReaderRole << "\n";
    return 0;
}

// As the administrator: a login user joins the workstation (or reader) role.
int AddUser(std::span<const std::string> args, CommandIo io) {
    std::set<std::string> valued = kConnectionOptions;
    valued.insert("--password-file");
    const auto a = ParseCentralArgs(args, valued, {"--reader", "--password-stdin"}, io);
    if (!a || a->positional.size() != 1) return Usage(io);
    if (a->Has("--password-file") && a->Has("--password-stdin")) return Usage(io);
    const auto settings = SettingsFromArgs(*a, io);
    if (!settings) return 2;
    // The new login's password: the first line of --password-file FILE or of
    // standard input (--password-stdin, or neither option given).
    const auto password = ReadPassword(*a, io);
    if (!password) return 2;
    const auto admin = ConnectOrSay(*settings, std::nullopt, io);
    if (!admin) return 1;
    const bool reader = a->Has("--reader");
    std::string message;
    if (!AddCentralUser(*admin, a->positional[0], *password,
                        reader ? CentralRole::kReader : CentralRole::kWorkstation, message)) {
        PrintLine(io.err, message);
        return 1;
    }
    io.out << "user " << a->positional[0] << " is in " << (reader ? kReaderRole : kWorkstationRole) << "\n";
    return 0;
}

// The previous content of a file, to put back when the step after replacing it fails.
std::optional<std::string> PreviousContent(std::string_view cp1251Path) {
    if (cp1251Path.empty()) return std::nullopt;
    return ReadFileBytes(NativePath(cp1251Path), 64 * 1024);
}

// The workstation's central.ini (and its password file), written only after a
// connection with them has shown that the server takes this login as a
// workstation's: a wrong password, a server out of reach, a missing database or
// schema, or a reader's login leaves the settings as they were.
int Connect(std::span<const std::string> args, CommandIo io) {
    std::set<std::string> valued = kConnectionOptions;
    valued.insert("--password-file");
    const auto a = ParseCentralArgs(args, valued, {"--password-stdin"}, io);
    if (!a || !a->positional.empty()) return Usage(io);
    auto settings = SettingsFromArgs(*a, io);
    if (!settings) return 2;
    if (settings->host.empty() || settings->database.empty() || settings->user.empty()) {
        io.err << "gvc-cli central connect: --host, --database and --user are needed\n";
        return 2;
    }
    if (settings->port == 0) settings->port = 5432;
    const bool withPassword = a->Has("--password-file") || a->Has("--password-stdin");
    if (withPassword && settings->passFile.empty()) settings->passFile = locations::CentralPassFile;
    std::optional<std::string> password;
    if (withPassword && !(password = ReadPassword(*a, io))) return 2;

    // The new password is tried from memory, before any file holds it.
    PgConnectOptions options = ConnectOptionsOf(*settings);
    if (password) options.password = *password;
    const CentralCheck check = CheckCentralServer(options, true);
    if (check.problem != CentralProblem::kNone) {
        PrintLine(io.err,
                  std::string("рабочее место не подключено, настройки не изменены: "_cp) + check.line);
        return 1;
    }

    const std::filesystem::path folder = NativePath(locations::CentralSettingsFile).parent_path();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::string cause;
    const std::optional<std::string> oldPassFile =
        password ? PreviousContent(settings->passFile) : std::nullopt;
    if (password && !SavePassFile(*settings, *password, cause)) {
        PrintLine(io.err, std::string("файл пароля не записан: "_cp) + settings->passFile + ": " + cause);
        return 1;
    }
    if (!SaveCentralSettings(*settings, cause)) {
        PrintLine(io.err, std::string("файл настроек не записан: "_cp) +
                              ShownPath(locations::CentralSettingsFile) + ": " + cause);
        // The old password file goes back with the old settings.
        std::string ignoredCause;
        if (oldPassFile) (void)WritePrivateFile(settings->passFile, *oldPassFile, ignoredCause);
        return 1;
    }
    PrintLine(io.out, "written " + ShownPath(locations::CentralSettingsFile));
    io.out << "connected: schema gvc version " << check.schemaVersion << "\n";
    return 0;
}

}  // namespace

// The laboratory's central database: setting up the server, connecting a
// workstation, sending its runs, and its state.
int RunCentral(std::span<const std::string> args, CommandIo io) {
    if (args.empty()) return Usage(io);
    const std::string& what = args[0];
    const auto rest = args.subspan(1);
    if (what == "init") return Init(rest, io);
    if (what == "add-user") return AddUser(rest, io);
    if (what == "connect") return Connect(rest, io);
    if (what == "send") return CentralSend(rest, io);
    if (what == "status") return CentralStatus(rest, io);
    if (what == "verify") return RunCentralVerify(rest, io);
    return Usage(io);
}

}  // namespace gvc::cli
