// The tests' PostgreSQL cluster (started by the CTest fixture with
// tests/scripts/pg_cluster.sh) and a database of its own for each test.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "central/central_settings.h"
#include "central/pg_connection.h"

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

// Runs tests/scripts/pg_cluster.sh ACTION on the cluster ("down", "up"); its exit code.
int ClusterScript(std::string_view action);

// A database created for one test (its name from `tag`, the process id and a
// counter) and dropped with it, connections and all.
class TestDatabase {
public:
    explicit TestDatabase(std::string_view tag);
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

// Runs a program with arguments and optional standard input; its exit code
// and output (standard output and error together when `mergeErr`).
struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
ProcessResult RunProcess(const std::vector<std::string>& argv, std::string_view input = {},
                         const std::vector<std::string>& environment = {});

}  // namespace gvc::test
