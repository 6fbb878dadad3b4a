#include "central_cluster.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "store/run_rows.h"
#include "store/sqlite_db.h"
#include "util/cp1251.h"

namespace gvc::test {

namespace {}  // namespace

ClusterInfo LoadCluster(const std::string& stateDir) {
    ClusterInfo info;
    info.stateDir = stateDir;
    std::ifstream env(info.stateDir + "/cluster.env");
    std::string line;
    while (std::getline(env, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "GVC_PG_HOST") info.host = value;
        if (key == "GVC_PG_PORT") info.port = std::atoi(value.c_str());
        if (key == "GVC_PG_ADMIN") info.admin = value;
        if (key == "GVC_PG_PASSFILE") info.adminPassFile = value;
    }
    return info;
}

namespace {

PgConnectOptions AdminTo(const ClusterInfo& c, const std::string& database) {
    PgConnectOptions o;
    o.host = c.host;
    o.port = c.port;
    o.database = database;
    o.user = c.admin;
    o.passFile = c.adminPassFile;
    o.sslMode = "disable";
    o.connectTimeoutSeconds = 10;
    return o;
}

}  // namespace

const ClusterInfo& Cluster() {
    static const ClusterInfo info = [] {
        const char* dir = std::getenv("GVC_PG_STATE_DIR");
        return LoadCluster(dir && *dir ? dir : GVC_PG_STATE_DIR);
    }();
    if (info.port == 0)
        ADD_FAILURE() << "no test cluster at " << info.stateDir << " (run the tests with ctest)";
    return info;
}

int ClusterScript(std::string_view action, const ClusterInfo& cluster) {
    const ProcessResult r = RunProcess({GVC_PG_CLUSTER_SCRIPT, std::string(action), cluster.stateDir});
    if (r.exitCode != 0) ADD_FAILURE() << "pg_cluster.sh " << action << ": " << r.err;
    return r.exitCode;
}

PrivateCluster::PrivateCluster() {
    char pattern[] = "/tmp/gvc-pg-state.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
        return;
    }
    state_ = pattern;
    const ProcessResult r = RunProcess({GVC_PG_CLUSTER_SCRIPT, "start", state_.string()});
    if (r.exitCode != 0) ADD_FAILURE() << "pg_cluster.sh start: " << r.err;
    info_ = LoadCluster(state_.string());
}

PrivateCluster::~PrivateCluster() {
    if (state_.empty()) return;
    RunProcess({GVC_PG_CLUSTER_SCRIPT, "remove", state_.string()});
    std::error_code ignored;
    std::filesystem::remove_all(state_, ignored);
}

std::string UniqueName(std::string_view tag) {
    static std::atomic<int> counter{0};
    static const unsigned salt = std::random_device{}() % 100000;
    std::string name;
    for (const char c : tag) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        const bool upper = c >= 'A' && c <= 'Z';
        if (keep) name += c;
        if (upper) name += static_cast<char>(c - 'A' + 'a');
    }
    return "t_" + name.substr(0, 30) + "_" + std::to_string(::getpid()) + "_" + std::to_string(salt) + "_" +
           std::to_string(counter++);
}

TestDatabase::TestDatabase(std::string_view tag, const ClusterInfo& cluster)
    : cluster_(cluster), name_(UniqueName(tag)) {
    std::string message;
    auto admin = PgConnection::Connect(AdminTo(cluster_, "postgres"), message);
    if (!admin) {
        ADD_FAILURE() << "cannot reach the test cluster: " << Utf8FromCp1251(message);
        return;
    }
    ok_ = admin->Run("CREATE DATABASE " + *admin->QuoteIdentifier(name_));
    if (!ok_) ADD_FAILURE() << "CREATE DATABASE: " << Utf8FromCp1251(admin->Error());
}

TestDatabase::~TestDatabase() {
    if (!ok_) return;
    std::string message;
    auto admin = PgConnection::Connect(AdminTo(cluster_, "postgres"), message);
    if (admin) admin->Run("DROP DATABASE IF EXISTS " + *admin->QuoteIdentifier(name_) + " WITH (FORCE)");
}

PgConnectOptions TestDatabase::AdminOptions() const {
    return AdminTo(cluster_, name_);
}

std::unique_ptr<PgConnection> TestDatabase::Admin() const {
    std::string message;
    auto admin = PgConnection::Connect(AdminOptions(), message);
    if (!admin) ADD_FAILURE() << "administrator's connection: " << Utf8FromCp1251(message);
    return admin;
}

CentralSettings TestDatabase::SettingsFor(std::string_view user,
                                          const std::filesystem::path& passFile) const {
    CentralSettings s;
    s.host = cluster_.host;
    s.port = cluster_.port;
    s.database = name_;
    s.user = Cp1251FromUtf8(user);
    s.passFile = Cp1251FromUtf8(passFile.string());
    s.sslMode = "disable";
    return s;
}

CentralSettings TestDatabase::AdminSettings() const {
    return SettingsFor(cluster_.admin, cluster_.adminPassFile);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "gvc-central.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

RunRecord SampleRun(std::string_view station, int n) {
    RunRecord r;
    r.runId = std::string(station) + "-2026-12-11-" + std::to_string(n);
    r.workstation = std::string(station);
    r.operatorName = Cp1251FromUtf8("Петров Пётр");
    r.sensorNumber = "03-01.00.012." + std::to_string(100 + n % 50);
    r.gasCode = 3;
    r.gasText = "CO";
    r.typeNumber = 1;
    r.typeText = "03-01";
    r.unitText = Cp1251FromUtf8("мг/м3");
    r.rangeTop = 200.5;
    r.startLocal = {11, 12, 2026, 10, n / 60 % 60, n % 60};
    r.endLocal = {11, 12, 2026, 11, n / 60 % 60, n % 60};
    r.startUtc = 1796900000 + n;
    r.endUtc = 1796903600 + n;
    r.referenceThousandths = 50000 + n;
    r.referenceSource = n % 2 ? ReferenceSource::kCylinder : ReferenceSource::kTyped;
    if (n % 2) r.cylinderId = 7;
    r.temperature = -12;
    r.zeroAverage = 1021;
    r.zeroSpread = 3;
    r.referenceAverage = -88123;
    r.referenceSpread = 17;
    r.zeroSeries = {1020, 1021, 1019, n, -2147483647 - 1, 2147483647, 0};
    r.referenceSeries = {-88120, -88125, -88123};
    r.before = {1000, -5, 2};
    r.after = {1013 + n, 4, 3};
    r.readBack = {1013 + n, 4, 3};
    r.readBackDone = true;
    r.outcome = n % 7 == 3 ? RunOutcome::kInterrupted : RunOutcome::kSaved;
    r.resultText = "OK !";
    r.saving = {StepOutcome::kOk, StepOutcome::kOk, StepOutcome::kOk, StepOutcome::kOk, ""};
    r.reportRecordLine = Cp1251FromUtf8("строка ") + std::to_string(n);
    r.certificateSha256 = std::string(64, 'a');
    r.certificatePath = Cp1251FromUtf8("D:\\ВЕЛМОР_Датчики\\Датчики\\x.dat");
    r.nextCalibration = CivilDate{2027, 12, 1 + n % 28};
    r.asFound.foundZero = ReadingError{0.5, 0.0, 0.25};
    r.asFound.foundReference = ReadingError{46.0, -8.0, -2.0 + 1.0 / 3.0};
    r.asFound.foundInTolerance = true;
    r.asFound.tolerancePercent = 10.0;
    r.asFound.leftReference = ReadingError{50.01, 0.02, 0.005};
    return r;
}

Workstation::Workstation() {
    std::filesystem::create_directories(DataDir());
}

std::filesystem::path Workstation::DataDir() const {
    return dir_.Path() / "ВЕЛМОР_Датчики";
}

std::filesystem::path Workstation::DatabaseFile() const {
    return DataDir() / "calibrations.sqlite";
}

std::string Workstation::DriveEnv() const {
    return "GVC_DRIVE_D=" + dir_.Path().string();
}

std::unique_ptr<CalibrationStore> Workstation::OpenStore() const {
    std::string message;
    auto store = CalibrationStore::Open(DatabaseFile(), message);
    if (!store) ADD_FAILURE() << Utf8FromCp1251(message);
    return store;
}

bool Workstation::AddRuns(std::string_view station, int first, int count) const {
    auto store = OpenStore();
    if (!store) return false;
    SqliteTransaction tx(store->Db());
    std::string message;
    for (int n = first; n < first + count; ++n) {
        if (!InsertRunRow(store->Db(), SampleRun(station, n), std::nullopt, kStoreSchemaVersion, message)) {
            ADD_FAILURE() << Utf8FromCp1251(message);
            return false;
        }
    }
    return tx.Commit();
}

void Workstation::WriteSettings(const CentralSettings& settings) const {
    std::ofstream(DataDir() / "central.ini", std::ios::binary) << CentralSettingsText(settings);
    std::filesystem::permissions(DataDir() / "central.ini",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

void ExecInChild(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    for (const std::string& e : environment)
        ::putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

ProcessResult RunProcess(const std::vector<std::string>& argv, std::string_view input,
                         const std::vector<std::string>& environment) {
    ProcessResult result;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return result;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ExecInChild(argv, environment);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (pid < 0) {
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        return result;
    }
    std::size_t written = 0;
    int inFd = in[1];
    if (input.empty()) {
        ::close(inFd);
        inFd = -1;
    }
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {inFd, POLLOUT, 0}};
        const nfds_t count = inFd >= 0 ? 3 : 2;
        if (!outOpen) fds[0].fd = -1;
        if (!errOpen) fds[1].fd = -1;
        if (::poll(fds, count, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        char buffer[4096];
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                (i == 0 ? outOpen : errOpen) = false;
                continue;
            }
            (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
        }
        if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(inFd, input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            if (n <= 0 || written == input.size()) {
                ::close(inFd);
                inFd = -1;
            }
        }
    }
    if (inFd >= 0) ::close(inFd);
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace gvc::test
