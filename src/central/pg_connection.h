// Thin RAII wrappers over libpq's C API: one connection to the central
// PostgreSQL server, results, parameterised queries and transactions.
// Values always travel as parameters, never pasted into the SQL text; the
// server's database is UTF-8 (client_encoding UTF8), so texts bound and read
// here are UTF-8, and the callers convert at the boundary. Failures come back
// as Windows-1251 texts that never contain a password: the connection takes
// its password from a pgpass-form file, never from the program's arguments.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace gvc {

// Where and as whom to connect; what is empty falls back to libpq's
// environment (PGHOST, PGDATABASE, PGUSER...). Texts are UTF-8 except `passFile`, a native
// path (see CentralSettings for the file's own form).
struct PgConnectOptions {
    std::string host;
    int port = 5432;  // 0: PGPORT or libpq's default
    std::string database;
    std::string user;
    std::string passFile;  // empty: PGPASSFILE or libpq's default file
    // Only in memory, never shown: the password the program read from the
    // password file itself (the Windows build; see central/pgpass_lookup.h).
    std::string password;
    std::string sslMode = "prefer";
    int connectTimeoutSeconds = 10;
    std::string applicationName = "gvc";
};

// One query's result; empty (not Ok) when the query failed.
class PgResult {
public:
    PgResult() = default;
    explicit PgResult(pg_result* result);
    ~PgResult();
    PgResult(PgResult&& other) noexcept;
    PgResult& operator=(PgResult&& other) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    // True for a command or query that succeeded.
    bool Ok() const;
    int Rows() const;
    int Columns() const;
    bool IsNull(int row, int column) const;
    // The value as the server sent it (text format: UTF-8).
    std::string Text(int row, int column) const;
    // A text-format integer; nothing for NULL or a value that is no integer.
    std::optional<std::int64_t> Int(int row, int column) const;
    // A text-format double (NaN and the infinities included); nothing for NULL.
    std::optional<double> Real(int row, int column) const;
    // A bytea column read in text format (hex), decoded; nothing for NULL or bad hex.
    std::optional<std::string> Bytes(int row, int column) const;

    pg_result* Handle() const { return result_; }

private:
    pg_result* result_ = nullptr;
};

// The values of a parameterised query, $1 first. Texts are UTF-8; binary
// values (bytea) go in binary format so no escaping is involved.
class PgParams {
public:
    PgParams& Text(std::string_view utf8);
    PgParams& Int(std::int64_t value);
    // Shortest text that reads back as the same double; NaN and the infinities too.
    PgParams& Real(double value);
    PgParams& Binary(std::string_view bytes);
    PgParams& Null();

    int Count() const { return static_cast<int>(values_.size()); }
    std::vector<const char*> Values() const;
    std::vector<int> Lengths() const;
    const std::vector<int>& Formats() const { return formats_; }

private:
    std::vector<std::optional<std::string>> values_;
    std::vector<int> formats_;
};

// What answers at a server's host and port, without logging in.
enum class PgPing { kAccepting, kRejecting, kNoResponse, kNoAttempt };

class PgConnection {
public:
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Connects within the options' timeout. Nothing, with the reason in
    // `message` (Windows-1251), when the server cannot be reached or refuses.
    static std::unique_ptr<PgConnection> Connect(const PgConnectOptions& options, std::string& message);
    // Whether a server answers at the options' host and port and takes
    // connections (libpq's ping: no login, no password needed).
    static PgPing Ping(const PgConnectOptions& options);

    // Runs one statement with its parameters. On a failure the result is not
    // Ok and Error(), SqlState() and Lost() say why.
    PgResult Exec(std::string_view sql, const PgParams& params = {});
    // Runs one statement once per parameter set in a single round trip
    // (libpq's pipeline mode). One result per set, in order, as far as the
    // server answered; a failed one is not Ok, and Error() and SqlState() say
    // why the first one failed. Within a transaction, a failure aborts it.
    std::vector<PgResult> ExecEach(std::string_view sql, const std::vector<PgParams>& sets);
    // Runs statements without parameters or results (several may be given).
    bool Run(std::string_view sql);

    // The last failure: the server's or libpq's text (Windows-1251, one line
    // per message, no trailing newline) and the SQLSTATE code when the server
    // sent one.
    const std::string& Error() const { return error_; }
    const std::string& SqlState() const { return sqlState_; }
    // True once the connection is gone (server stopped, network cut, backend ended).
    bool Lost() const;
    // The server process serving this connection.
    int BackendPid() const;

    // A quoted identifier for DDL that cannot take parameters (role names);
    // nothing when libpq refuses the text.
    std::optional<std::string> QuoteIdentifier(std::string_view utf8);
    // A quoted literal for DDL that cannot take parameters; nothing when refused.
    std::optional<std::string> QuoteLiteral(std::string_view utf8);
    // The SCRAM-SHA-256 verifier of a password, computed here so the password
    // itself never travels to the server or into any statement.
    std::optional<std::string> PasswordVerifier(std::string_view user, std::string_view password);

    pg_conn* Handle() { return conn_; }

private:
    friend class PgTransaction;
    explicit PgConnection(pg_conn* conn);
    void KeepError(const pg_result* result);
    pg_conn* conn_;
    std::string error_;
    std::string sqlState_;
};

// BEGIN on construction; COMMIT on Commit(); ROLLBACK when destroyed without it.
class PgTransaction {
public:
    explicit PgTransaction(PgConnection& connection);
    ~PgTransaction();
    PgTransaction(const PgTransaction&) = delete;
    PgTransaction& operator=(const PgTransaction&) = delete;
    bool Began() const { return began_; }
    // False when the commit failed: nothing of the transaction is stored.
    bool Commit();

private:
    PgConnection& connection_;
    bool began_ = false;
    bool done_ = false;
};

// A libpq message made fit to show: converted to Windows-1251, its lines
// joined, every occurrence of `secret` (when not empty) replaced by "***".
std::string ShownPgMessage(std::string_view utf8, std::string_view secret = {});

}  // namespace gvc
