#include "store/sqlite_db.h"

#include <sqlite3.h>

#include <cstdio>
#include <limits>

#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

// How long a statement waits for another connection's lock before it fails.
constexpr int kBusyTimeoutMs = 2000;

std::string_view KindText(int code) {
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "база данных занята другой программой"_cp;
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return "база данных недоступна для записи"_cp;
        case SQLITE_CANTOPEN:
            return "файл базы данных не открывается"_cp;
        case SQLITE_FULL:
            return "на диске нет места"_cp;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return "файл базы данных поврежден"_cp;
        case SQLITE_IOERR:
            return "чтение или запись файла базы данных не удались (диск полон или неисправен)"_cp;
        default:
            return "ошибка базы данных"_cp;
    }
}

}  // namespace

SqliteDb::SqliteDb(const std::filesystem::path& file, bool create) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_FULLMUTEX;
    const std::u8string u8 = file.u8string();
    const std::string name(u8.begin(), u8.end());
    const int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        SetError(rc);
        return;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

namespace {

// file: URI of a path, with the characters a URI gives a meaning escaped.
std::string FileUri(const std::string& utf8) {
    std::string uri = "file:";
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '%' || c == '?' || c == '#' || u < 0x20) {
            char buffer[4];
            std::snprintf(buffer, sizeof buffer, "%%%02X", u);
            uri += buffer;
        } else {
            uri.push_back(c == '\\' ? '/' : c);
        }
    }
    return uri;
}

}  // namespace

SqliteDb::SqliteDb(const std::filesystem::path& file, ReadOnly mode) {
    const std::u8string u8 = file.u8string();
    std::string name(u8.begin(), u8.end());
    int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX;
    if (mode == ReadOnly::kImmutable) {
#ifdef _WIN32
        // A drive letter becomes the URI's path "/D:/...".
        if (name.size() >= 2 && name[1] == ':') name = "/" + name;
#endif
        name = FileUri(name) + "?immutable=1";
        flags |= SQLITE_OPEN_URI;
    }
    const int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        SetError(rc);
        return;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

SqliteDb::~SqliteDb() {
    if (db_ != nullptr) sqlite3_close_v2(db_);
}

void SqliteDb::ClearError() {
    code_ = 0;
    error_.clear();
}

void SqliteDb::SetError(int code) {
    code_ = code;
    std::string text(KindText(code_));
    const char* detail = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    if (detail != nullptr && *detail != '\0') text += " (" + Cp1251FromUtf8(detail) + ")";
    error_ = text;
}

void SqliteDb::KeepError(int code, std::string text) {
    code_ = code;
    error_ = std::move(text);
}

bool SqliteDb::IsBusy() const {
    return (code_ & 0xff) == SQLITE_BUSY || (code_ & 0xff) == SQLITE_LOCKED;
}

bool SqliteDb::Exec(std::string_view sql) {
    if (db_ == nullptr) return false;
    const std::string text(sql);
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        SetError(rc);
        return false;
    }
    return true;
}

std::optional<std::int64_t> SqliteDb::QueryInt(std::string_view sql) {
    SqliteStatement st(*this, sql);
    if (!st.Ok() || !st.Step()) return std::nullopt;
    return st.Int(0);
}

SqliteStatement::SqliteStatement(SqliteDb& db, std::string_view sql) : db_(db) {
    if (db.Handle() == nullptr) {
        failed_ = true;
        return;
    }
    if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        failed_ = true;
        return;
    }
    const int rc = sqlite3_prepare_v2(db.Handle(), sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        db_.SetError(rc);
        stmt_ = nullptr;
        failed_ = true;
    }
}

SqliteStatement::~SqliteStatement() {
    if (stmt_ != nullptr) sqlite3_finalize(stmt_);
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
    if (stmt_ != nullptr) sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, double value) {
    if (stmt_ != nullptr) sqlite3_bind_double(stmt_, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::BindText(int index, std::string_view value) {
    if (stmt_ != nullptr)
        sqlite3_bind_text64(stmt_, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, std::string_view value) {
    if (stmt_ != nullptr) sqlite3_bind_blob64(stmt_, index, value.data(), value.size(), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
    if (stmt_ != nullptr) sqlite3_bind_null(stmt_, index);
    return *this;
}

bool SqliteStatement::Step() {
    if (stmt_ == nullptr) return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) {
        db_.SetError(rc);
        failed_ = true;
    }
    return false;
}

void SqliteStatement::Reset() {
    if (stmt_ == nullptr) return;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    failed_ = false;
}

int SqliteStatement::Type(int column) const {
    return stmt_ == nullptr ? SQLITE_NULL : sqlite3_column_type(stmt_, column);
}

bool SqliteStatement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}
std::int64_t SqliteStatement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}
double SqliteStatement::Real(int column) const {
    return sqlite3_column_double(stmt_, column);
}

std::string SqliteStatement::Text(int column) const {
    const auto* p = sqlite3_column_text(stmt_, column);
    const int n = sqlite3_column_bytes(stmt_, column);
    if (p == nullptr || n <= 0) return {};
    return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
}

std::string SqliteStatement::Blob(int column) const {
    const void* p = sqlite3_column_blob(stmt_, column);
    const int n = sqlite3_column_bytes(stmt_, column);
    if (p == nullptr || n <= 0) return {};
    return std::string(static_cast<const char*>(p), static_cast<std::size_t>(n));
}

SqliteTransaction::SqliteTransaction(SqliteDb& db, bool immediate) : db_(db) {
    began_ = db_.Exec(immediate ? "BEGIN IMMEDIATE" : "BEGIN");
}

SqliteTransaction::~SqliteTransaction() {
    if (began_ && !done_) {
        const int code = db_.Code();
        std::string error = db_.Error();
        db_.Exec("ROLLBACK");
        db_.KeepError(code, std::move(error));
    }
}

bool SqliteTransaction::Commit() {
    if (!began_) return false;
    done_ = db_.Exec("COMMIT");
    return done_;
}

}  // namespace gvc
