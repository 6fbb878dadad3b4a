#include "send_fixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "central/central_schema.h"
#include "util/cp1251.h"

namespace gvc::test {

CentralServer::CentralServer(std::string_view tag, const ClusterInfo& cluster) : db_(tag, cluster) {
    if (!db_.Ok()) return;
    admin_ = db_.Admin();
    if (!admin_) return;
    std::string message;
    ok_ = MigrateCentral(*admin_, message);
    if (!ok_) ADD_FAILURE() << Utf8FromCp1251(message);
}

CentralSettings CentralServer::NewLogin(CentralRole role) {
    const std::string user = UniqueName("ws");
    const std::string password = "pw-" + user;
    std::string message;
    EXPECT_TRUE(AddCentralUser(*admin_, user, password, role, message)) << Utf8FromCp1251(message);
    CentralSettings s = db_.SettingsFor(user, dir_.Path() / (user + ".pgpass"));
    EXPECT_TRUE(SavePassFile(s, password, message)) << Utf8FromCp1251(message);
    return s;
}

ServerRuns CheckServer(PgConnection& admin) {
    ServerRuns r;
    const PgResult counts =
        admin.Exec("SELECT count(*), count(DISTINCT run_id), count(DISTINCT station_id) FROM gvc.runs");
    if (!counts.Ok()) {
        r.chainProblem = Utf8FromCp1251(admin.Error());
        return r;
    }
    r.rows = counts.Int(0, 0).value_or(-1);
    r.distinctRunIds = counts.Int(0, 1).value_or(-1);
    r.stations = counts.Int(0, 2).value_or(-1);
    const PgResult rows =
        admin.Exec("SELECT station_id, station_seq, row_hash, server_prev_hash, server_hash, " +
                   ReceivedAtTextSql("received_at") + " FROM gvc.runs ORDER BY station_id, station_seq");
    if (!rows.Ok()) {
        r.chainProblem = Utf8FromCp1251(admin.Error());
        return r;
    }
    std::string station, prev;
    std::int64_t expected = 0;
    for (int i = 0; i < rows.Rows() && r.chainProblem.empty(); ++i) {
        if (rows.Text(i, 0) != station) {
            station = rows.Text(i, 0);
            prev.clear();
            expected = 0;
        }
        ++expected;
        const std::int64_t seq = rows.Int(i, 1).value_or(-1);
        const std::string hash = ServerChainHash(prev, rows.Text(i, 2), seq, rows.Text(i, 5));
        if (seq != expected)
            r.chainProblem = station + ": sequence " + std::to_string(seq) + " where " +
                             std::to_string(expected) + " was due";
        else if (rows.Text(i, 3) != prev)
            r.chainProblem = station + ": previous hash broken at " + std::to_string(seq);
        else if (rows.Text(i, 4) != hash)
            r.chainProblem = station + ": server hash wrong at " + std::to_string(seq);
        prev = rows.Text(i, 4);
    }
    // Each workstation's head is its newest row.
    const PgResult heads = admin.Exec(
        "SELECT count(*) FROM gvc.workstations w WHERE w.last_seq <> coalesce((SELECT max(station_seq) FROM "
        "gvc.runs r WHERE r.station_id = w.station_id), 0) OR w.last_hash <> coalesce((SELECT server_hash "
        "FROM "
        "gvc.runs r WHERE r.station_id = w.station_id AND r.station_seq = w.last_seq), '')");
    if (r.chainProblem.empty() && heads.Int(0, 0).value_or(1) != 0)
        r.chainProblem = "a workstation's head is wrong";
    return r;
}

pid_t StartProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ExecInChild(argv, environment);
    }
    return pid;
}

int WaitProcess(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace gvc::test
