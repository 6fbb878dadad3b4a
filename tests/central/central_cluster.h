// The tests' PostgreSQL cluster (started by the CTest fixture with
// tests/scripts/pg_cluster.sh) and a database of its own for each test.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "calibration/run_record.h"
#include "central/central_settings.h"
#include "central/pg_connection.h"
#include "store/calibration_store.h"

namespace gvc::test {

struct ClusterInfo {
    std::string stateDir;
    std::string host;
    int port = 0;
    std::string admin;
    std::string adminPassFile;
};

// The cluster of cluster.env in the fixture's folder (or $GVC_PG_STATE_DIR).
// Fails the test (and returns an empty one) when there is none.
const ClusterInfo& Cluster();

// Reads STATE_DIR/cluster.env.
ClusterInfo LoadCluster(const std::string& stateDir);

// Runs tests/scripts/pg_cluster.sh ACTION on a cluster ("down", "up"); its exit code.
int ClusterScript(std::string_view action, const ClusterInfo& cluster);

// A cluster of one test's own, for stopping and starting its server while
// the other tests use theirs: started on construction, removed with the object.
class PrivateCluster {
public:
    PrivateCluster();
    ~PrivateCluster();
    PrivateCluster(const PrivateCluster&) = delete;
    PrivateCluster& operator=(const PrivateCluster&) = delete;
    const ClusterInfo& Info() const { return info_; }
    bool Down() { return ClusterScript("down", info_) == 0; }
    bool Up() { return ClusterScript("up", info_) == 0; }

private:
    std::filesystem::path state_;
    ClusterInfo info_;
};

// A database created for one test (its name from `tag`, the process id and a
// counter) and dropped with it, connections and all.
class TestDatabase {
public:
    explicit TestDatabase(std::string_view tag, const ClusterInfo& cluster = Cluster());
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const std::string& Name() const { return name_; }
    bool Ok() const { return ok_; }
    // As the administrator, to this database.
    PgConnectOptions AdminOptions() const;
    std::unique_ptr<PgConnection> Admin() const;
    // Settings for a login user of this database (Windows-1251 texts; the
    // pass file a native path).
    CentralSettings SettingsFor(std::string_view user, const std::filesystem::path& passFile) const;
    CentralSettings AdminSettings() const;

private:
    ClusterInfo cluster_;
    std::string name_;
    bool ok_ = false;
};

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A unique name for roles and databases: letters, digits and '_', lower case.
std::string UniqueName(std::string_view tag);

// A run with every field set, distinct per `n` (Windows-1251 texts, some
// Cyrillic), as `station` would record it.
RunRecord SampleRun(std::string_view station, int n);

// A workstation's data folder: D: is a temporary folder (GVC_DRIVE_D for the
// programs started), with the calibration database in it.
class Workstation {
public:
    Workstation();
    const std::filesystem::path& Drive() const { return dir_.Path(); }
    std::filesystem::path DataDir() const;
    std::filesystem::path DatabaseFile() const;
    // "GVC_DRIVE_D=..." for RunProcess.
    std::string DriveEnv() const;
    // Opens (creating) its database.
    std::unique_ptr<CalibrationStore> OpenStore() const;
    // Adds runs 1..count of `station` in one transaction; false on a failure.
    bool AddRuns(std::string_view station, int first, int count) const;
    // Writes central.ini for `settings` the way `gvc-cli central connect` does.
    void WriteSettings(const CentralSettings& settings) const;

private:
    TempDir dir_;
};

// The gvc-cli built with the tests.
inline const char* CliPath() {
    return GVC_CLI_PATH;
}

// Runs a program with arguments and optional standard input; its exit code
// and output (standard output and error together when `mergeErr`).
struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
ProcessResult RunProcess(const std::vector<std::string>& argv, std::string_view input = {},
                         const std::vector<std::string>& environment = {});

// In a forked child: adds `environment` ("NAME=value") and executes argv[0]
// with `argv`; exits 127 when it cannot.
[[noreturn]] void ExecInChild(const std::vector<std::string>& argv,
                              const std::vector<std::string>& environment);

}  // namespace gvc::test
