#include "central/central_schema.h"

#include "util/cp1251.h"
#include "util/sha256.h"

namespace gvc {

using namespace gvc::literals;

namespace {

// Taken by everyone who migrates this database's schema, for the transaction.
constexpr std::string_view kMigrationLock = "SELECT pg_advisory_xact_lock(7262837101)";

// A group role, created once per server; two creating it at once is no failure.
std::string CreateGroupRole(std::string_view role) {
    const std::string name(role);
    return "DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '" + name +
           "') THEN CREATE ROLE " + name +
           " NOLOGIN; END IF; EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$";
}

bool Failed(PgConnection& connection, std::string& message) {
    message = connection.Error();
    return false;
}

}  // namespace

std::optional<int> CentralSchemaVersion(PgConnection& connection, std::string& message) {
    const PgResult exists = connection.Exec("SELECT to_regclass('gvc.schema_version') IS NOT NULL");
    if (!exists.Ok()) {
        message = connection.Error();
        return std::nullopt;
    }
    if (exists.Text(0, 0) != "t") return 0;
    const PgResult version = connection.Exec("SELECT max(version) FROM gvc.schema_version");
    if (!version.Ok()) {
        message = connection.Error();
        return std::nullopt;
    }
    const auto v = version.Int(0, 0);
    if (v && (*v < 0 || *v > 1'000'000)) {
        message = "неверная версия схемы центральной базы"_cp;
        return std::nullopt;
    }
    return v ? static_cast<int>(*v) : 0;
}

bool MigrateCentral(PgConnection& admin, std::string& message) {
    message.clear();
    for (const std::string_view role : {kWorkstationRole, kReaderRole}) {
        if (!admin.Run(CreateGroupRole(role))) return Failed(admin, message);
    }
    PgTransaction tx(admin);
    if (!tx.Began() || !admin.Run(kMigrationLock) || !admin.Run("CREATE SCHEMA IF NOT EXISTS gvc") ||
        !admin.Run("CREATE TABLE IF NOT EXISTS gvc.schema_version (version integer NOT NULL)"))
        return Failed(admin, message);
    const auto version = CentralSchemaVersion(admin, message);
    if (!version) return false;
    const auto migrations = CentralMigrations();
    if (*version > static_cast<int>(migrations.size())) {
        message = "схема центральной базы записана более новой версией программы"_cp;
        return false;
    }
    for (std::size_t step = static_cast<std::size_t>(*version); step < migrations.size(); ++step) {
        if (!admin.Run(migrations[step])) {
            message = std::string("миграция схемы центральной базы до версии "_cp) +
                      std::to_string(step + 1) + ": " + admin.Error();
            return false;
        }
    }
    if (!admin.Run("DELETE FROM gvc.schema_version") ||
        !admin
             .Exec("INSERT INTO gvc.schema_version (version) VALUES ($1)",
                   PgParams().Int(static_cast<std::int64_t>(migrations.size())))
             .Ok() ||
        !tx.Commit())
        return Failed(admin, message);
    return true;
}

bool AddCentralUser(PgConnection& admin, std::string_view userUtf8, std::string_view password,
                    CentralRole role, std::string& message) {
    message.clear();
    if (userUtf8.empty() || userUtf8.size() > 63 || userUtf8.starts_with("pg_") ||
        userUtf8 == kWorkstationRole || userUtf8 == kReaderRole) {
        message = std::string("недопустимое имя пользователя: "_cp) + Cp1251FromUtf8(userUtf8);
        return false;
    }
    if (password.empty()) {
        message = "пустой пароль"_cp;
        return false;
    }
    const auto ident = admin.QuoteIdentifier(userUtf8);
    const auto verifier = admin.PasswordVerifier(userUtf8, password);
    if (!ident || !verifier) return Failed(admin, message);
    const auto literal = admin.QuoteLiteral(*verifier);
    if (!literal) return Failed(admin, message);
    PgTransaction tx(admin);
    if (!tx.Began()) return Failed(admin, message);
    const PgResult found =
        admin.Exec("SELECT rolsuper FROM pg_roles WHERE rolname = $1", PgParams().Text(userUtf8));
    if (!found.Ok()) return Failed(admin, message);
    if (found.Rows() > 0 && found.Text(0, 0) == "t") {
        message =
            std::string("пользователь уже есть и он администратор сервера: "_cp) + Cp1251FromUtf8(userUtf8);
        return false;
    }
    const std::string verb = found.Rows() > 0 ? "ALTER ROLE " : "CREATE ROLE ";
    const std::string group(role == CentralRole::kWorkstation ? kWorkstationRole : kReaderRole);
    const std::string other(role == CentralRole::kWorkstation ? kReaderRole : kWorkstationRole);
    // Role names and passwords cannot be parameters: the name is quoted by
    // libpq, and only the password's verifier, never the password, is sent.
    if (!admin.Run(verb + *ident + " LOGIN PASSWORD " + *literal) ||
        !admin.Run("GRANT " + group + " TO " + *ident) || !admin.Run("REVOKE " + other + " FROM " + *ident) ||
        !tx.Commit()) {
        message = ShownPgMessage(Utf8FromCp1251(admin.Error()), password);
        return false;
    }
    return true;
}

std::string ServerChainHash(std::string_view prevServerHash, std::string_view rowHash, std::int64_t seq,
                            std::string_view receivedAt) {
    std::string text(prevServerHash);
    text += '|';
    text += rowHash;
    text += '|';
    text += std::to_string(seq);
    text += '|';
    text += receivedAt;
    return Sha256Hex(text);
}

std::string ReceivedAtTextSql(std::string_view column) {
    return "to_char(" + std::string(column) + " AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.US\"Z\"')";
}

}  // namespace gvc
