// Whether the laboratory's server can be used by this workstation, and if not
// why, in one Russian line: the server not reached, the login or its password
// refused, the database or the schema missing, a login that is no
// workstation's. `central connect` asks before it writes any setting, `central
// status` to say why nothing can be sent.
#pragma once

#include <memory>
#include <string>

#include "central/pg_connection.h"

namespace gvc::cli {

enum class CentralProblem {
    kNone,
    kNotReached,      // no answer from the host and port
    kNotAccepting,    // the server answers but takes no connections (starting, stopping)
    kAuthentication,  // the login or its password refused
    kNoDatabase,      // no such database on the server
    kNoSchema,        // the database holds no schema gvc (central init not run)
    kNotWorkstation,  // the login is not in the workstations' role (a reader's login)
    kOther,           // anything else: libpq's own text follows
};

struct CentralCheck {
    CentralProblem problem = CentralProblem::kNone;
    std::string line;  // Windows-1251, one line; empty when usable
    int schemaVersion = 0;
    std::unique_ptr<PgConnection> connection;  // open when usable
};

// Connects with `options` and checks the server as `central connect` needs it.
// `asWorkstation`: the login must be in the workstations' role.
CentralCheck CheckCentralServer(const PgConnectOptions& options, bool asWorkstation);

// The cause of a failed connection from its libpq message and whether the
// server answered a ping at all (kAuthentication, kNoDatabase or kOther when it did).
CentralProblem ConnectionProblem(std::string_view cp1251Message, bool serverAnswers);

}  // namespace gvc::cli
