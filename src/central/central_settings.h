// Where a workstation finds the laboratory's central PostgreSQL server: a
// small "key=value" file (Windows-1251) beside its data,
// D:\ВЕЛМОР_Датчики\central.ini, readable only by its user. It never holds
// a password: the password is in a pgpass-form file it names (or in the file
// PGPASSFILE names). No file: the central database is not used, and nothing
// is said about it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "central/pg_connection.h"
#include "util/cp1251.h"
#include "util/file_system.h"

namespace gvc {

namespace locations {
using namespace gvc::literals;
inline constexpr std::string_view CentralSettingsFile = "D:\\ВЕЛМОР_Датчики\\central.ini"_cp;
inline constexpr std::string_view CentralPassFile = "D:\\ВЕЛМОР_Датчики\\central.pgpass"_cp;
}  // namespace locations

struct CentralSettings {
    std::string host;  // Windows-1251 like every text of the program
    int port = 5432;
    std::string database;
    std::string user;
    std::string passFile;  // a path spelled as the program spells paths; empty: PGPASSFILE
    std::string sslMode = "prefer";
    int connectTimeoutSeconds = 10;
};

// The sslmode values libpq knows.
bool IsSslMode(std::string_view mode);

// The text of the file, and back. Parsing fails (with the line in `problem`)
// on a line it cannot read or without host, database or user.
std::string CentralSettingsText(const CentralSettings& settings);
std::optional<CentralSettings> ParseCentralSettings(std::string_view text, std::string& problem);

// The settings at `path`. Nothing with `problem` empty when there is no such
// file; nothing with the reason when it cannot be read or parsed.
std::optional<CentralSettings> LoadCentralSettings(std::string& problem,
                                                   std::string_view path = locations::CentralSettingsFile);
// Writes the file whole, readable and writable only by the current user.
bool SaveCentralSettings(const CentralSettings& settings, std::string& cause,
                         std::string_view path = locations::CentralSettingsFile);

// One line of a pgpass file for these settings and this password (its ':' and
// '\' escaped). The password must be one line.
std::string PgPassLine(const CentralSettings& settings, std::string_view password);
// Writes the pgpass file named by the settings (created or replaced whole,
// readable only by the current user). False with the reason, which never
// holds the password.
bool SavePassFile(const CentralSettings& settings, std::string_view password, std::string& cause);

// The libpq options of the settings (texts converted to UTF-8, the pass file
// to a path libpq opens).
PgConnectOptions ConnectOptionsOf(const CentralSettings& settings);

// Writes `content` to the file `path` (a native path) through a temporary
// file beside it, readable and writable only by the current user (0600 on
// POSIX systems; on Windows a protected access list granting the current user
// alone). False with the system's reason (Windows-1251).
bool WritePrivateFile(const std::string& cp1251Path, std::string_view content, std::string& cause);

}  // namespace gvc
