// The Windows build's static libpq under Wine, against a PostgreSQL server on
// this machine: connects over TCP with the password taken from a pgpass file,
// (re)creates the database gvc_libpq_check, creates a table in it, inserts a
// row through a parameterised query (Cyrillic UTF-8 text and a quote that
// would break pasted SQL) and reads it back through a second parameterised
// query. Also shows what the library without TLS does with each sslmode.
// Prints what it found; exit 0 when everything held, 1 otherwise, 2 for bad
// arguments. The calling script then reads the row with the host's psql.
//
//   gvc-libpq-check.exe HOST PORT USER PASSFILE
//
// The password never appears on the command line or in any message.
#include <libpq-fe.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct FinishConn {
    void operator()(PGconn* c) const { PQfinish(c); }
};
using Conn = std::unique_ptr<PGconn, FinishConn>;

struct ClearResult {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ClearResult>;

const char* const kDatabase = "gvc_libpq_check";
// UTF-8 (the connection's client_encoding); the quote and the semicolon would
// end a literal pasted into SQL.
const char* const kSensor = "Датчик 00042 'ГАЗ'; DROP TABLE runs; --";

struct Server {
    std::string host, port, user, passFile;
};

// The first line of libpq's message, without its trailing newline.
std::string first_line(const char* message) {
    std::string text = message ? message : "";
    const auto end = text.find('\n');
    return end == std::string::npos ? text : text.substr(0, end);
}

Conn connect(const Server& s, const char* database, const char* sslMode) {
    const std::vector<const char*> keys = {"host",
                                           "port",
                                           "user",
                                           "passfile",
                                           "dbname",
                                           "sslmode",
                                           "connect_timeout",
                                           "client_encoding",
                                           "application_name",
                                           nullptr};
    const std::vector<const char*> values = {
        s.host.c_str(), s.port.c_str(), s.user.c_str(), s.passFile.c_str(), database,
        sslMode,        "10",           "UTF8",         "gvc-libpq-check",  nullptr};
    return Conn(PQconnectdbParams(keys.data(), values.data(), 0));
}

// The server's notices go to standard output, in order with the rest.
void print_notice(void*, const char* message) {
    std::printf("notice: %s\n", first_line(message).c_str());
}

bool fail(const std::string& what, PGconn* c) {
    std::fprintf(stderr, "FAIL: %s: %s\n", what.c_str(),
                 c ? first_line(PQerrorMessage(c)).c_str() : "no connection");
    return false;
}

bool command(PGconn* c, const char* sql) {
    const Result r(PQexec(c, sql));
    return PQresultStatus(r.get()) == PGRES_COMMAND_OK || fail(sql, c);
}

// sslmode without TLS in the library: disable, allow and prefer connect in
// plain text; require and the verify modes are refused before any connection.
bool check_ssl_modes(const Server& s) {
    struct Case {
        const char* mode;
        bool connects;
    };
    const Case cases[] = {{"disable", true},  {"allow", true},      {"prefer", true},
                          {"require", false}, {"verify-ca", false}, {"verify-full", false}};
    bool ok = true;
    for (const Case& c : cases) {
        const Conn conn = connect(s, "postgres", c.mode);
        const bool connected = PQstatus(conn.get()) == CONNECTION_OK;
        std::printf("sslmode=%s: %s\n", c.mode,
                    connected ? (PQsslInUse(conn.get()) ? "connected with TLS" : "connected, no TLS")
                              : first_line(PQerrorMessage(conn.get())).c_str());
        if (connected != c.connects || (connected && PQsslInUse(conn.get()))) {
            std::fprintf(stderr, "FAIL: sslmode=%s %s\n", c.mode,
                         connected ? "connected" : "did not connect");
            ok = false;
        }
    }
    return ok;
}

bool check(const Server& s) {
    std::printf("libpq %d threadsafe=%d\n", PQlibVersion(), PQisthreadsafe());
    if (PQisthreadsafe() != 1) return fail("the library is not thread-safe", nullptr);
    if (!check_ssl_modes(s)) return false;

    {
        const Conn admin = connect(s, "postgres", "prefer");
        if (PQstatus(admin.get()) != CONNECTION_OK) return fail("connect to postgres", admin.get());
        PQsetNoticeProcessor(admin.get(), print_notice, nullptr);
        std::printf("server %d, client_encoding=%s\n", PQserverVersion(admin.get()),
                    pg_encoding_to_char(PQclientEncoding(admin.get())));
        if (!command(admin.get(), "DROP DATABASE IF EXISTS gvc_libpq_check") ||
            !command(admin.get(), "CREATE DATABASE gvc_libpq_check ENCODING 'UTF8'"))
            return false;
    }

    const Conn c = connect(s, kDatabase, "prefer");
    if (PQstatus(c.get()) != CONNECTION_OK) return fail(std::string("connect to ") + kDatabase, c.get());
    if (!command(c.get(),
                 "CREATE TABLE runs(id bigserial PRIMARY KEY, sensor text NOT NULL, "
                 "slope double precision NOT NULL)"))
        return false;

    const char* insert_values[] = {kSensor, "1.0625"};
    const Result inserted(PQexecParams(c.get(), "INSERT INTO runs(sensor, slope) VALUES($1, $2) RETURNING id",
                                       2, nullptr, insert_values, nullptr, nullptr, 0));
    if (PQresultStatus(inserted.get()) != PGRES_TUPLES_OK || PQntuples(inserted.get()) != 1)
        return fail("insert", c.get());
    const std::string id = PQgetvalue(inserted.get(), 0, 0);

    const char* select_values[] = {id.c_str()};
    const Result read(PQexecParams(c.get(), "SELECT sensor, slope FROM runs WHERE id = $1", 1, nullptr,
                                   select_values, nullptr, nullptr, 0));
    if (PQresultStatus(read.get()) != PGRES_TUPLES_OK || PQntuples(read.get()) != 1)
        return fail("select", c.get());
    const std::string sensor = PQgetvalue(read.get(), 0, 0);
    const std::string slope = PQgetvalue(read.get(), 0, 1);
    std::printf("row %s: sensor=%s slope=%s\n", id.c_str(), sensor.c_str(), slope.c_str());
    if (sensor != kSensor || slope != "1.0625") return fail("the row read back differs", c.get());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: gvc-libpq-check HOST PORT USER PASSFILE\n");
        return 2;
    }
    const Server server{argv[1], argv[2], argv[3], argv[4]};
    const bool ok = check(server);
    std::printf("%s\n", ok ? "libpq check: OK" : "libpq check: FAILED");
    return ok ? 0 : 1;
}
