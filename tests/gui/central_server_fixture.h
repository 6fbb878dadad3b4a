// The window tests' central server: the throw-away PostgreSQL cluster the
// CTest fixture starts (tests/scripts/pg_cluster.sh), or one of a test's own
// when it stops and starts its server; a database of each test's own with the
// schema and a workstation login; and central.ini with its password file on
// the sandbox's drive D, as `gvc-cli central connect` writes them.
#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "central/central_schema.h"
#include "central/central_settings.h"
#include "central/pg_connection.h"
#include "util/cp1251.h"

namespace gvc::gui::test {

struct PgCluster {
    std::string stateDir;
    std::string host;
    int port = 0;
    std::string admin;
    std::string adminPassFile;

    // The cluster whose cluster.env is in `dir`; false when there is none.
    bool Load(const std::string& dir) {
        stateDir = dir;
        std::ifstream env(dir + "/cluster.env");
        for (std::string line; std::getline(env, line);) {
            const std::size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
            if (key == "GVC_PG_HOST") host = value;
            if (key == "GVC_PG_PORT") port = std::atoi(value.c_str());
            if (key == "GVC_PG_ADMIN") admin = value;
            if (key == "GVC_PG_PASSFILE") adminPassFile = value;
        }
        return port != 0;
    }

    // tests/scripts/pg_cluster.sh ACTION on this cluster; its output when it fails.
    bool Script(const QString& action, QString* output = nullptr) const {
        return RunScript(action, stateDir, output);
    }
    static bool RunScript(const QString& action, const std::string& dir, QString* output = nullptr) {
        QProcess script;
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(QStringLiteral(GVC_PG_CLUSTER_SCRIPT), {action, QString::fromStdString(dir)});
        const bool ok = script.waitForFinished(120'000) && script.exitStatus() == QProcess::NormalExit &&
                        script.exitCode() == 0;
        if (output != nullptr) *output = QString::fromLocal8Bit(script.readAll());
        return ok;
    }

    PgConnectOptions AdminTo(const std::string& database) const {
        PgConnectOptions o;
        o.host = host;
        o.port = port;
        o.database = database;
        o.user = admin;
        o.passFile = adminPassFile;
        o.sslMode = "disable";
        o.connectTimeoutSeconds = 10;
        return o;
    }
};

// The cluster the CTest fixture started.
inline bool SharedCluster(PgCluster& cluster) {
    return cluster.Load(GVC_PG_STATE_DIR);
}

// A cluster of the test's own, removed with it: for a test that stops its
// server, so that the other tests' server stays up.
class OwnCluster {
public:
    OwnCluster() {
        started_ = dir_.isValid() && PgCluster::RunScript(QStringLiteral("start"), State(), &output_) &&
                   cluster_.Load(State());
    }
    ~OwnCluster() { PgCluster::RunScript(QStringLiteral("remove"), State()); }
    bool Started() const { return started_; }
    const QString& Output() const { return output_; }
    const PgCluster& Cluster() const { return cluster_; }

private:
    std::string State() const { return dir_.path().toStdString() + "/pg"; }
    QTemporaryDir dir_;
    PgCluster cluster_;
    QString output_;
    bool started_ = false;
};

// A lower-case name unique to this process and call.
inline std::string UniqueServerName(const std::string& tag) {
    static std::atomic<int> counter{0};
    static const unsigned salt = std::random_device{}() % 100000;
    return "gui_" + tag + "_" + std::to_string(QCoreApplication::applicationPid()) + "_" +
           std::to_string(salt) + "_" + std::to_string(counter++);
}

// A database of the test's own with the schema, and a workstation login.
class ServerDatabase {
public:
    ServerDatabase(const PgCluster& cluster, const std::string& tag)
        : cluster_(cluster), name_(UniqueServerName(tag)), user_(UniqueServerName("ws")) {
        password_ = "pw-" + UniqueServerName("secret");
        std::string message;
        auto admin = PgConnection::Connect(cluster_.AdminTo("postgres"), message);
        if (!admin) {
            problem_ = "cannot reach the test cluster: " + Utf8FromCp1251(message);
            return;
        }
        if (!admin->Run("CREATE DATABASE " + *admin->QuoteIdentifier(name_))) {
            problem_ = "CREATE DATABASE: " + Utf8FromCp1251(admin->Error());
            return;
        }
        created_ = true;
        auto own = Admin();
        if (!own || !MigrateCentral(*own, message) ||
            !AddCentralUser(*own, user_, password_, CentralRole::kWorkstation, message)) {
            problem_ = "schema: " + Utf8FromCp1251(own ? message : std::string("no connection"));
            return;
        }
        ok_ = true;
    }
    ~ServerDatabase() {
        if (!created_) return;
        std::string message;
        auto admin = PgConnection::Connect(cluster_.AdminTo("postgres"), message);
        if (admin) admin->Run("DROP DATABASE IF EXISTS " + *admin->QuoteIdentifier(name_) + " WITH (FORCE)");
    }
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    bool Ok() const { return ok_; }
    const char* Problem() const { return problem_.c_str(); }
    const std::string& Password() const { return password_; }

    std::unique_ptr<PgConnection> Admin() const {
        std::string message;
        return PgConnection::Connect(cluster_.AdminTo(name_), message);
    }
    // The workstation login's settings, its password in `passFile` (a path
    // as the program spells paths).
    CentralSettings WorkstationSettings(const std::string& passFile) const {
        CentralSettings s;
        s.host = cluster_.host;
        s.port = cluster_.port;
        s.database = name_;
        s.user = user_;
        s.passFile = passFile;
        s.sslMode = "disable";
        return s;
    }
    // The runs the server holds; -1 when it cannot say.
    long long RunCount() const {
        auto admin = Admin();
        if (!admin) return -1;
        const PgResult r = admin->Exec("SELECT count(*) FROM gvc.runs");
        return r.Ok() && r.Rows() == 1 ? r.Int(0, 0).value_or(-1) : -1;
    }

private:
    const PgCluster& cluster_;
    std::string name_;
    std::string user_;
    std::string password_;
    std::string problem_;
    bool created_ = false;
    bool ok_ = false;
};

// Writes central.ini and its password file on drive D for the database's
// workstation login (drive D as the sandbox maps it); the settings written.
inline CentralSettings InstallCentral(const ServerDatabase& database, int connectTimeoutSeconds = 10) {
    CentralSettings settings = database.WorkstationSettings(std::string(locations::CentralPassFile));
    settings.connectTimeoutSeconds = connectTimeoutSeconds;
    std::string cause;
    if (!SavePassFile(settings, database.Password(), cause) || !SaveCentralSettings(settings, cause))
        qWarning("central.ini: %s", Utf8FromCp1251(cause).c_str());
    return settings;
}

}  // namespace gvc::gui::test
