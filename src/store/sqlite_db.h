// Thin RAII wrappers over SQLite's C API: one connection, prepared statements,
// transactions. Errors come back as SQLite's code with a Windows-1251 text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace gvc {

class SqliteDb;

// A prepared statement. Bind values by 1-based index, Step until it says no
// more rows; columns by 0-based index.
class SqliteStatement {
public:
    SqliteStatement(SqliteDb& db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    SqliteStatement& Bind(int index, std::int64_t value);
    SqliteStatement& Bind(int index, double value);
    SqliteStatement& BindText(int index, std::string_view value);
    SqliteStatement& BindBlob(int index, std::string_view value);
    SqliteStatement& BindNull(int index);

    // True while a row is there; false at the end or on an error (see Failed()).
    bool Step();
    bool Failed() const { return failed_; }
    void Reset();

    bool IsNull(int column) const;
    // SQLite's storage class of the column's value (SQLITE_INTEGER, ...).
    int Type(int column) const;
    std::int64_t Int(int column) const;
    double Real(int column) const;
    std::string Text(int column) const;
    std::string Blob(int column) const;

private:
    SqliteDb& db_;
    sqlite3_stmt* stmt_ = nullptr;
    bool failed_ = false;
};

class SqliteDb {
public:
    // Opens (creating when `create`) the file; check Ok() and Error().
    SqliteDb(const std::filesystem::path& file, bool create);
    enum class ReadOnly {
        kShared,     // read only, taking the shared locks (sees another process's commits)
        kImmutable,  // read only, no locks and no -shm file: a copy nobody writes (read-only media)
    };
    SqliteDb(const std::filesystem::path& file, ReadOnly mode);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    bool Ok() const { return db_ != nullptr && code_ == 0; }
    // Runs statements without results; false with Error() set.
    bool Exec(std::string_view sql);
    // The first column of the first row of a query, when there is one.
    std::optional<std::int64_t> QueryInt(std::string_view sql);

    // The last failure: SQLite's result code and its text (Windows-1251).
    int Code() const { return code_; }
    const std::string& Error() const { return error_; }
    void ClearError();
    void SetError(int code);
    void KeepError(int code, std::string text);
    // Extended code of the last failure's kind: busy/locked, read-only, full, damaged.
    bool IsBusy() const;

    sqlite3* Handle() { return db_; }

private:
    sqlite3* db_ = nullptr;
    int code_ = 0;
    std::string error_;
};

// Commits on Commit(); rolls back when destroyed without it.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDb& db, bool immediate = true);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    bool Began() const { return began_; }
    bool Commit();

private:
    SqliteDb& db_;
    bool began_ = false;
    bool done_ = false;
};

}  // namespace gvc
