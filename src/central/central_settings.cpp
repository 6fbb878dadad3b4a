#include "central/central_settings.h"

#include <array>
#include <charconv>

#include "central/pgpass_lookup.h"
#include "util/native_path.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr std::size_t kMaxSettingsFile = 64 * 1024;
constexpr std::size_t kMaxValue = 1000;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::optional<int> ParseNumber(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

// A value on one line of the file: no control characters.
bool IsOneLine(std::string_view value) {
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    return value.size() <= kMaxValue;
}

std::string PassFileEscaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == ':' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

}  // namespace

bool IsSslMode(std::string_view mode) {
    static constexpr std::array<std::string_view, 6> kModes = {"disable", "allow",     "prefer",
                                                               "require", "verify-ca", "verify-full"};
    for (const std::string_view m : kModes) {
        if (m == mode) return true;
    }
    return false;
}

std::string CentralSettingsText(const CentralSettings& s) {
    return "host=" + s.host + "\r\nport=" + std::to_string(s.port) + "\r\ndatabase=" + s.database +
           "\r\nuser=" + s.user + "\r\npassfile=" + s.passFile + "\r\nsslmode=" + s.sslMode +
           "\r\nconnect_timeout=" + std::to_string(s.connectTimeoutSeconds) + "\r\n";
}

std::optional<CentralSettings> ParseCentralSettings(std::string_view text, std::string& problem) {
    CentralSettings s;
    problem.clear();
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        const std::size_t eq = line.find('=');
        const std::string_view key = eq == std::string_view::npos ? line : Trimmed(line.substr(0, eq));
        const std::string_view value = eq == std::string_view::npos ? "" : Trimmed(line.substr(eq + 1));
        bool good = eq != std::string_view::npos && IsOneLine(value);
        if (!good) {
        } else if (key == "host") {
            s.host = value;
        } else if (key == "port") {
            const auto port = ParseNumber(value, 1, 65535);
            good = port.has_value();
            if (port) s.port = *port;
        } else if (key == "database") {
            s.database = value;
        } else if (key == "user") {
            s.user = value;
        } else if (key == "passfile") {
            s.passFile = value;
        } else if (key == "sslmode") {
            good = IsSslMode(value);
            s.sslMode = value;
        } else if (key == "connect_timeout") {
            const auto seconds = ParseNumber(value, 1, 600);
            good = seconds.has_value();
            if (seconds) s.connectTimeoutSeconds = *seconds;
        } else {
            good = false;
        }
        if (!good) {
            problem = std::string("строка "_cp) + std::to_string(lineNumber) +
                      std::string(" не читается: "_cp) + std::string(line);
            return std::nullopt;
        }
    }
    if (s.host.empty() || s.database.empty() || s.user.empty()) {
        problem = "не заданы host, database или user"_cp;
        return std::nullopt;
    }
    return s;
}

std::optional<CentralSettings> LoadCentralSettings(std::string& problem, std::string_view path) {
    problem.clear();
    const FileReadResult read = ReadRegularFile(NativePath(path), kMaxSettingsFile);
    if (!read.bytes) {
        if (!read.missing) problem = read.problem;
        return std::nullopt;
    }
    auto settings = ParseCentralSettings(*read.bytes, problem);
    if (!settings) problem = std::string(path) + ": " + problem;
    return settings;
}

bool SaveCentralSettings(const CentralSettings& settings, std::string& cause, std::string_view path) {
    return WritePrivateFile(std::string(path), CentralSettingsText(settings), cause);
}

std::string PgPassLine(const CentralSettings& s, std::string_view password) {
    return PassFileEscaped(Utf8FromCp1251(s.host)) + ":" + std::to_string(s.port) + ":" +
           PassFileEscaped(Utf8FromCp1251(s.database)) + ":" + PassFileEscaped(Utf8FromCp1251(s.user)) + ":" +
           PassFileEscaped(password) + "\n";
}

bool SavePassFile(const CentralSettings& settings, std::string_view password, std::string& cause) {
    if (settings.passFile.empty()) {
        cause = "не задан файл пароля"_cp;
        return false;
    }
    for (const char c : password) {
        if (c == '\n' || c == '\r' || c == '\0') {
            cause = "пароль должен быть одной строкой"_cp;
            return false;
        }
    }
    return WritePrivateFile(settings.passFile, PgPassLine(settings, password), cause);
}

PgConnectOptions ConnectOptionsOf(const CentralSettings& s) {
    PgConnectOptions o;
    o.host = Utf8FromCp1251(s.host);
    o.port = s.port;
    o.database = Utf8FromCp1251(s.database);
    o.user = Utf8FromCp1251(s.user);
#ifdef _WIN32
    // libpq would open the file through the ANSI code page, which names the
    // data folder only on a Windows set to Windows-1251: the program reads it
    // itself (by its wide name) and gives libpq the password in memory; when
    // the file gives none, libpq is left to look as it would.
    o.passFile = s.passFile;
    if (!s.passFile.empty()) {
        const FileReadResult read = ReadRegularFile(NativePath(s.passFile), kMaxSettingsFile);
        if (read.bytes)
            o.password = PgPassPassword(*read.bytes, o.host, o.port, o.database, o.user).value_or("");
    }
#else
    if (!s.passFile.empty()) o.passFile = NativePath(s.passFile).string();
#endif
    o.sslMode = s.sslMode;
    o.connectTimeoutSeconds = s.connectTimeoutSeconds;
    return o;
}

}  // namespace gvc
