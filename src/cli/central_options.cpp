#include "cli/central_options.h"

#include <charconv>
#include <iostream>
#include <ostream>

#include "util/native_path.h"

namespace gvc::cli {

namespace {

constexpr std::size_t kMaxPasswordFile = 64 * 1024;

std::string FirstLine(std::string_view text) {
    const std::size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::optional<CentralArgs> ParseCentralArgs(std::span<const std::string> args,
                                            const std::set<std::string>& valued,
                                            const std::set<std::string>& flags, CommandIo io) {
    CentralArgs a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (valued.count(arg)) {
            if (i + 1 >= args.size()) {
                io.err << "gvc-cli central: " << arg << " needs a value\n";
                return std::nullopt;
            }
            a.values[arg] = args[++i];
        } else if (flags.count(arg)) {
            a.flags.insert(arg);
        } else if (arg.size() > 1 && arg[0] == '-') {
            io.err << "gvc-cli central: unknown option " << arg << "\n";
            return std::nullopt;
        } else {
            a.positional.push_back(arg);
        }
    }
    return a;
}

std::optional<CentralSettings> SettingsFromArgs(const CentralArgs& a, CommandIo io) {
    CentralSettings s;
    s.host = Cp1251FromUtf8(a.Value("--host"));
    s.database = Cp1251FromUtf8(a.Value("--database"));
    s.user = Cp1251FromUtf8(a.Value("--user"));
    s.passFile = Cp1251FromUtf8(a.Value("--passfile"));
    s.port = 0;
    if (a.Has("--port")) {
        const std::string port = a.Value("--port");
        int value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || error != std::errc() || end != port.data() + port.size() || value < 1 ||
            value > 65535) {
            io.err << "gvc-cli central: --port takes a number from 1 to 65535\n";
            return std::nullopt;
        }
        s.port = value;
    }
    if (a.Has("--sslmode")) {
        s.sslMode = a.Value("--sslmode");
        if (!IsSslMode(s.sslMode)) {
            io.err << "gvc-cli central: --sslmode takes disable, allow, prefer, require, verify-ca or "
                      "verify-full\n";
            return std::nullopt;
        }
    }
    return s;
}

std::optional<std::string> ReadPassword(const CentralArgs& a, CommandIo io) {
    std::string password;
    if (a.Has("--password-file")) {
        const FileReadResult read =
            ReadRegularFile(NativePath(Cp1251FromUtf8(a.Value("--password-file"))), kMaxPasswordFile);
        if (!read.bytes) {
            io.err << "gvc-cli central: the password file cannot be read: " << Utf8FromCp1251(read.problem)
                   << "\n";
            return std::nullopt;
        }
        password = FirstLine(*read.bytes);
    } else {
        std::string line;
        std::getline(std::cin, line);
        password = FirstLine(line);
    }
    if (password.empty()) {
        io.err << "gvc-cli central: no password given (the first line of --password-file FILE or of "
                  "standard input)\n";
        return std::nullopt;
    }
    return password;
}

}  // namespace gvc::cli
