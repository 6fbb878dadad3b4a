#include "central/pg_connection.h"

#include <libpq-fe.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// libpq prints booleans and numbers as text; the connection keywords as well.
std::string NumberText(int value) {
    return std::to_string(value);
}

}  // namespace

std::string ShownPgMessage(std::string_view utf8, std::string_view secret) {
    std::string text(utf8);
    if (!secret.empty()) {
        for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 3))
            text.replace(at, secret.size(), "***");
    }
    std::string joined;
    for (char c : Trimmed(std::move(text))) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
        joined += c;
    }
    // libpq pads its "FATAL:  " and "ERROR:  " with two blanks.
    std::string single;
    for (char c : joined) {
        if (c == ' ' && !single.empty() && single.back() == ' ') continue;
        single += c;
    }
    return Cp1251FromUtf8(single);
}

PgResult::PgResult(pg_result* result) : result_(result) {}

PgResult::~PgResult() {
    if (result_) PQclear(result_);
}

PgResult::PgResult(PgResult&& other) noexcept : result_(std::exchange(other.result_, nullptr)) {}

PgResult& PgResult::operator=(PgResult&& other) noexcept {
    if (this != &other) {
        if (result_) PQclear(result_);
        result_ = std::exchange(other.result_, nullptr);
    }
    return *this;
}

bool PgResult::Ok() const {
    if (!result_) return false;
    const ExecStatusType status = PQresultStatus(result_);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

int PgResult::Rows() const {
    return result_ ? PQntuples(result_) : 0;
}
int PgResult::Columns() const {
    return result_ ? PQnfields(result_) : 0;
}

bool PgResult::IsNull(int row, int column) const {
    if (!result_ || row < 0 || row >= Rows() || column < 0 || column >= Columns()) return true;
    return PQgetisnull(result_, row, column) != 0;
}

std::string PgResult::Text(int row, int column) const {
    if (IsNull(row, column)) return {};
    const int length = PQgetlength(result_, row, column);
    return std::string(PQgetvalue(result_, row, column), static_cast<std::size_t>(length < 0 ? 0 : length));
}

std::optional<std::int64_t> PgResult::Int(int row, int column) const {
    if (IsNull(row, column)) return std::nullopt;
    const std::string text = Text(row, column);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> PgResult::Real(int row, int column) const {
    if (IsNull(row, column)) return std::nullopt;
    const std::string text = Text(row, column);
    if (text == "NaN") return std::nan("");
    if (text == "Infinity") return HUGE_VAL;
    if (text == "-Infinity") return -HUGE_VAL;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::string> PgResult::Bytes(int row, int column) const {
    if (IsNull(row, column)) return std::nullopt;
    const std::string text = Text(row, column);
    if (text.size() < 2 || text[0] != '\\' || text[1] != 'x' || text.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 2 - 1);
    for (std::size_t i = 2; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (error != std::errc() || end != text.data() + i + 2) return std::nullopt;
        bytes += static_cast<char>(value);
    }
    return bytes;
}

PgParams& PgParams::Text(std::string_view utf8) {
    values_.emplace_back(std::string(utf8));
    formats_.push_back(0);
    return *this;
}

PgParams& PgParams::Int(std::int64_t value) {
    return Text(std::to_string(value));
}

PgParams& PgParams::Real(double value) {
    if (std::isnan(value)) return Text("NaN");
    if (std::isinf(value)) return Text(value > 0 ? "Infinity" : "-Infinity");
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (error != std::errc()) return Text("NaN");
    return Text(std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data())));
}

PgParams& PgParams::Binary(std::string_view bytes) {
    values_.emplace_back(std::string(bytes));
    formats_.push_back(1);
    return *this;
}

PgParams& PgParams::Null() {
    values_.emplace_back(std::nullopt);
    formats_.push_back(0);
    return *this;
}

std::vector<const char*> PgParams::Values() const {
    std::vector<const char*> values;
    values.reserve(values_.size());
    for (const auto& v : values_)
        values.push_back(v ? v->c_str() : nullptr);
    return values;
}

std::vector<int> PgParams::Lengths() const {
    std::vector<int> lengths;
    lengths.reserve(values_.size());
    for (const auto& v : values_)
        lengths.push_back(v ? static_cast<int>(v->size()) : 0);
    return lengths;
}

namespace {

// libpq's keywords and values for the options, as separate arrays with the
// database name not expanded: no setting can smuggle another keyword (a
// password, a host) in. `login`: with the password, the session's settings and
// keepalives; without, only where the server is (for a ping).
class ConnectKeywords {
public:
    ConnectKeywords(const PgConnectOptions& options, bool login)
        : port_(options.port == 0 ? std::string() : NumberText(options.port)),
          timeout_(NumberText(options.connectTimeoutSeconds < 1 ? 1 : options.connectTimeoutSeconds)) {
        Add("host", options.host);
        Add("port", port_);
        Add("dbname", options.database);
        Add("user", options.user);
        if (login) {
            Add("passfile", options.passFile);
            Add("password", options.password);
        }
        Add("sslmode", options.sslMode);
        Add("connect_timeout", timeout_);
        if (login) {
            static const std::string utf8 = "UTF8";
            static const std::string on = "1";
            static const std::string idle = "10";
            static const std::string interval = "5";
            static const std::string count = "3";
            Add("application_name", options.applicationName);
            Add("client_encoding", utf8);
            // A cut network is noticed within about half a minute instead of hours.
            Add("keepalives", on);
            Add("keepalives_idle", idle);
            Add("keepalives_interval", interval);
            Add("keepalives_count", count);
        }
        keys_.push_back(nullptr);
        values_.push_back(nullptr);
    }
    const char* const* Keys() const { return keys_.data(); }
    const char* const* Values() const { return values_.data(); }

private:
    void Add(const char* key, const std::string& value) {
        if (value.empty()) return;
        keys_.push_back(key);
        values_.push_back(value.c_str());
    }
    std::string port_;
    std::string timeout_;
    std::vector<const char*> keys_;
    std::vector<const char*> values_;
};

}  // namespace

PgPing PgConnection::Ping(const PgConnectOptions& options) {
    if (options.port < 0 || options.port > 65535) return PgPing::kNoAttempt;
    const ConnectKeywords keywords(options, false);
    switch (PQpingParams(keywords.Keys(), keywords.Values(), 0)) {
        case PQPING_OK:
            return PgPing::kAccepting;
        case PQPING_REJECT:
            return PgPing::kRejecting;
        case PQPING_NO_RESPONSE:
            return PgPing::kNoResponse;
        case PQPING_NO_ATTEMPT:
            break;
    }
    return PgPing::kNoAttempt;
}

PgConnection::PgConnection(pg_conn* conn) : conn_(conn) {}

PgConnection::~PgConnection() {
    if (conn_) PQfinish(conn_);
}

std::unique_ptr<PgConnection> PgConnection::Connect(const PgConnectOptions& options, std::string& message) {
    message.clear();
    if (options.port < 0 || options.port > 65535) {
        message = std::string("неверный порт центральной базы: "_cp) + std::to_string(options.port);
        return nullptr;
    }
    const ConnectKeywords keywords(options, true);
    pg_conn* conn = PQconnectdbParams(keywords.Keys(), keywords.Values(), 0);
    if (!conn) {
        message = "нет памяти для соединения с центральной базой"_cp;
        return nullptr;
    }
    if (PQstatus(conn) != CONNECTION_OK) {
        message = std::string("нет связи с центральной базой: "_cp) +
                  ShownPgMessage(PQerrorMessage(conn), options.password);
        PQfinish(conn);
        return nullptr;
    }
    // The server's notices ("already exists, skipping") are not the operator's business.
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    return std::unique_ptr<PgConnection>(new PgConnection(conn));
}

void PgConnection::KeepError(const pg_result* result) {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    sqlState_ = state ? state : "";
    const char* text = result ? PQresultErrorMessage(result) : nullptr;
    error_ = ShownPgMessage(text && *text ? text : PQerrorMessage(conn_));
    if (error_.empty()) error_ = "ошибка центральной базы"_cp;
}

PgResult PgConnection::Exec(std::string_view sql, const PgParams& params) {
    const std::string text(sql);
    const std::vector<const char*> values = params.Values();
    const std::vector<int> lengths = params.Lengths();
    PgResult result(PQexecParams(conn_, text.c_str(), params.Count(), nullptr, values.data(), lengths.data(),
                                 params.Formats().data(), 0));
    if (!result.Ok()) {
        KeepError(result.Handle());
        return PgResult();
    }
    error_.clear();
    sqlState_.clear();
    return result;
}

std::vector<PgResult> PgConnection::ExecEach(std::string_view sql, const std::vector<PgParams>& sets) {
    std::vector<PgResult> results;
    error_.clear();
    sqlState_.clear();
    if (PQenterPipelineMode(conn_) != 1) {
        KeepError(nullptr);
        return results;
    }
    const std::string text(sql);
    std::size_t queued = 0;
    for (const PgParams& params : sets) {
        const std::vector<const char*> values = params.Values();
        const std::vector<int> lengths = params.Lengths();
        if (PQsendQueryParams(conn_, text.c_str(), params.Count(), nullptr, values.data(), lengths.data(),
                              params.Formats().data(), 0) != 1)
            break;
        ++queued;
    }
    const bool synced = PQpipelineSync(conn_) == 1;
    // Each statement's result is followed by a null; after a failure the
    // rest come back aborted; the sync's own result ends the round.
    for (std::size_t i = 0; i < queued; ++i) {
        PgResult result(PQgetResult(conn_));
        if (!result.Handle()) break;
        while (pg_result* extra = PQgetResult(conn_))
            PQclear(extra);
        if (!result.Ok() && error_.empty()) KeepError(result.Handle());
        results.push_back(std::move(result));
    }
    if (synced && !Lost()) {
        while (pg_result* rest = PQgetResult(conn_)) {
            const bool sync = PQresultStatus(rest) == PGRES_PIPELINE_SYNC;
            PQclear(rest);
            if (sync) break;
        }
    }
    if (PQexitPipelineMode(conn_) != 1 && error_.empty()) KeepError(nullptr);
    if (results.size() < sets.size() && error_.empty()) KeepError(nullptr);
    return results;
}

bool PgConnection::Run(std::string_view sql) {
    const std::string text(sql);
    PgResult result(PQexec(conn_, text.c_str()));
    if (!result.Ok()) {
        KeepError(result.Handle());
        return false;
    }
    error_.clear();
    sqlState_.clear();
    return true;
}

bool PgConnection::Lost() const {
    return PQstatus(conn_) != CONNECTION_OK;
}

int PgConnection::BackendPid() const {
    return PQbackendPID(conn_);
}

std::optional<std::string> PgConnection::QuoteIdentifier(std::string_view utf8) {
    char* quoted = PQescapeIdentifier(conn_, utf8.data(), utf8.size());
    if (!quoted) return std::nullopt;
    std::string text(quoted);
    PQfreemem(quoted);
    return text;
}

std::optional<std::string> PgConnection::QuoteLiteral(std::string_view utf8) {
    char* quoted = PQescapeLiteral(conn_, utf8.data(), utf8.size());
    if (!quoted) return std::nullopt;
    std::string text(quoted);
    PQfreemem(quoted);
    return text;
}

std::optional<std::string> PgConnection::PasswordVerifier(std::string_view user, std::string_view password) {
    const std::string u(user);
    const std::string p(password);
    char* verifier = PQencryptPasswordConn(conn_, p.c_str(), u.c_str(), "scram-sha-256");
    if (!verifier) {
        error_ = ShownPgMessage(PQerrorMessage(conn_), password);
        return std::nullopt;
    }
    std::string text(verifier);
    PQfreemem(verifier);
    return text;
}

PgTransaction::PgTransaction(PgConnection& connection) : connection_(connection) {
    began_ = connection_.Run("BEGIN");
}

PgTransaction::~PgTransaction() {
    if (began_ && !done_ && !connection_.Lost()) {
        // The failure that ended the transaction stays the one reported.
        std::string error = connection_.error_;
        std::string state = connection_.sqlState_;
        connection_.Run("ROLLBACK");
        connection_.error_ = std::move(error);
        connection_.sqlState_ = std::move(state);
    }
}

bool PgTransaction::Commit() {
    if (!began_ || done_) return false;
    done_ = true;
    // A transaction that failed earlier answers COMMIT with ROLLBACK.
    const PgResult result = connection_.Exec("COMMIT");
    if (!result.Ok()) return false;
    if (std::string_view(PQcmdStatus(result.Handle())) != "COMMIT") {
        connection_.error_ = "транзакция отменена сервером"_cp;
        return false;
    }
    return true;
}

}  // namespace gvc
