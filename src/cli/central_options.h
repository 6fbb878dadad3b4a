// The options of `gvc-cli central ...`: parsing "--name VALUE" pairs and
// flags, the server connection they describe, and reading a password from a
// file or standard input (never from the command line).
#pragma once

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "central/central_settings.h"
#include "cli/cli_command.h"

namespace gvc::cli {

struct CentralArgs {
    std::map<std::string, std::string> values;  // "--host" -> "db.lab" (UTF-8)
    std::set<std::string> flags;
    std::vector<std::string> positional;

    bool Has(const std::string& name) const { return values.count(name) != 0 || flags.count(name) != 0; }
    std::string Value(const std::string& name) const {
        const auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
};

// Nothing after saying what is wrong (an unknown option, a value missing).
std::optional<CentralArgs> ParseCentralArgs(std::span<const std::string> args,
                                            const std::set<std::string>& valued,
                                            const std::set<std::string>& flags, CommandIo io);

// The options --host --port --database --user --passfile --sslmode.
inline const std::set<std::string> kConnectionOptions = {"--host", "--port",     "--database",
                                                         "--user", "--passfile", "--sslmode"};
// Settings from those options (Windows-1251 texts); nothing after saying why.
std::optional<CentralSettings> SettingsFromArgs(const CentralArgs& a, CommandIo io);

// The first line of --password-file FILE, or of standard input; nothing after
// saying why (no password, an unreadable file). UTF-8.
std::optional<std::string> ReadPassword(const CentralArgs& a, CommandIo io);

}  // namespace gvc::cli
