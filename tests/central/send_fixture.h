// A migrated central database with a workstation login, and the checks every
// sending test makes of the server: each run there once, and each
// workstation's chain unbroken.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "central/central_schema.h"
#include "central/central_settings.h"
#include "central/pg_connection.h"
#include "central_cluster.h"

namespace gvc::test {

class CentralServer {
public:
    explicit CentralServer(std::string_view tag, const ClusterInfo& cluster = Cluster());
    bool Ok() const { return ok_; }
    PgConnection& Admin() { return *admin_; }
    // A new login user in gvc_workstation with its own pgpass file; its settings.
    CentralSettings NewLogin(CentralRole role = CentralRole::kWorkstation);
    const TestDatabase& Database() const { return db_; }

private:
    TestDatabase db_;
    TempDir dir_;
    std::unique_ptr<PgConnection> admin_;
    bool ok_ = false;
};

struct ServerRuns {
    std::int64_t rows = -1;
    std::int64_t distinctRunIds = -1;
    std::int64_t stations = -1;
    std::string chainProblem;  // empty when every workstation's chain holds
};
// The server's runs counted and every workstation's chain recomputed.
ServerRuns CheckServer(PgConnection& admin);

// Starts a program in the background (output discarded); its process id.
pid_t StartProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment);
// Waits for it; its exit code (128 + signal when killed).
int WaitProcess(pid_t pid);

}  // namespace gvc::test
