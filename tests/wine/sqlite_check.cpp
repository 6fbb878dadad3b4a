// The Windows build's SQLite under Wine: creates FOLDER\Проверка.sqlite (a
// Cyrillic file name given to SQLite in UTF-8), switches it to WAL, writes a
// row in a transaction, and reads it back through a second connection while
// the first is still open (the WAL index is shared memory between
// connections). Prints what it found; exit 0 when everything held, 1 otherwise.
// The calling script then reads the file with the host's sqlite3.
//
//   gvc-sqlite-check.exe FOLDER
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;

struct FinalizeStmt {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, FinalizeStmt>;

bool fail(const std::string& what, sqlite3* db) {
    std::fprintf(stderr, "FAIL: %s: %s\n", what.c_str(), db ? sqlite3_errmsg(db) : "no connection");
    return false;
}

Db open(const std::string& path) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK) {
        fail("open " + path, raw);
        return nullptr;
    }
    return db;
}

// The first column of the first row of SQL as text ("" when there is none).
bool scalar(sqlite3* db, const char* sql, std::string& out) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) return fail(sql, db);
    Stmt stmt(raw);
    const int rc = sqlite3_step(stmt.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return fail(sql, db);
    const unsigned char* text = rc == SQLITE_ROW ? sqlite3_column_text(stmt.get(), 0) : nullptr;
    out = text ? reinterpret_cast<const char*>(text) : "";
    return true;
}

bool exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK || fail(sql, db);
}

const char* const kSensor = "Датчик 00042";

bool check(const std::string& folder) {
    const std::string path = folder + "\\Проверка.sqlite";
    std::printf("sqlite %s threadsafe=%d\n", sqlite3_libversion(), sqlite3_threadsafe());
    if (sqlite3_threadsafe() != 1) return fail("the library is not serialized", nullptr);

    const Db writer = open(path);
    if (!writer) return false;
    std::string mode;
    if (!scalar(writer.get(), "PRAGMA journal_mode=WAL", mode)) return false;
    std::printf("journal_mode=%s\n", mode.c_str());
    if (mode != "wal") return fail("WAL refused", writer.get());
    if (!exec(writer.get(), "PRAGMA synchronous=FULL") ||
        !exec(writer.get(), "CREATE TABLE runs(id INTEGER PRIMARY KEY, sensor TEXT NOT NULL)") ||
        !exec(writer.get(), "BEGIN IMMEDIATE"))
        return false;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(writer.get(), "INSERT INTO runs(sensor) VALUES(?1)", -1, &raw, nullptr) !=
        SQLITE_OK)
        return fail("prepare insert", writer.get());
    const Stmt insert(raw);
    if (sqlite3_bind_text(insert.get(), 1, kSensor, -1, SQLITE_STATIC) != SQLITE_OK ||
        sqlite3_step(insert.get()) != SQLITE_DONE)
        return fail("insert", writer.get());
    if (!exec(writer.get(), "COMMIT")) return false;

    // Still open: the committed row sits in the WAL file, not yet in the database.
    std::u8string wal_name;
    for (const char c : path + "-wal")
        wal_name.push_back(static_cast<char8_t>(c));
    const bool wal_file = std::filesystem::exists(std::filesystem::path(wal_name));
    std::printf("wal file while open=%s\n", wal_file ? "yes" : "no");
    if (!wal_file) return fail("no -wal file beside the open database", writer.get());

    const Db reader = open(path);
    if (!reader) return false;
    std::string count, sensor;
    if (!scalar(reader.get(), "SELECT count(*) FROM runs", count) ||
        !scalar(reader.get(), "SELECT sensor FROM runs", sensor))
        return false;
    std::printf("second connection: rows=%s sensor=%s\n", count.c_str(), sensor.c_str());
    if (count != "1" || sensor != kSensor)
        return fail("the second connection does not see the row", reader.get());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gvc-sqlite-check FOLDER\n");
        return 2;
    }
    const bool ok = check(argv[1]);
    std::printf("%s\n", ok ? "sqlite check: OK" : "sqlite check: FAILED");
    return ok ? 0 : 1;
}
