// Two workstations of one laboratory calibrate at the same time against their
// own simulators, in real time: one is the window, the other gvc-cli calibrate
// in a data folder of its own. Both send their run to the central server, and
// the window's "Журнал" page shows both runs in the laboratory's view.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "central_server_fixture.h"
#include "devsim_process.h"
#include "gui/gui_widgets.h"
#include "gui/log_page.h"
#include "gui/log_records_model.h"
#include "gui_fixture.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::gui::test;
using namespace gvc::literals;

namespace {

// A whole run takes about two minutes; the two run side by side.
constexpr int kRunTimeoutMs = 420'000;

// The second workstation: its data folder with the table, central.ini and
// the password file on its own drive D, its simulator (a methane sensor, the
// chamber following the run by itself), and gvc-cli calibrate --yes.
class CliWorkstation {
public:
    CliWorkstation(const ServerDatabase& server, const QString& cli) {
        root_ = fs::path(dir_.path().toStdString());
        fs::create_directories(root_ / "wd" / "DAT");
        fs::create_directories(root_ / "D" / "ВЕЛМОР_Датчики");
        fs::create_directories(root_ / "run");
        fs::copy_file(fs::path(GVC_SOURCE_DIR) / "DAT" / "TABL_GAZ_SENSOR_PARAM.dat",
                      root_ / "wd" / "DAT" / "TABL_GAZ_SENSOR_PARAM.dat");
        // central.ini and its password file as `gvc-cli central connect` leaves them.
        CentralSettings settings =
            server.WorkstationSettings(Cp1251FromUtf8((root_ / "D" / "central.pgpass").string()));
        std::string cause;
        ok_ = SavePassFile(settings, server.Password(), cause) &&
              WritePrivateFile(Cp1251FromUtf8((root_ / "D" / "ВЕЛМОР_Датчики" / "central.ini").string()),
                               CentralSettingsText(settings), cause);
        if (!ok_) {
            problem_ = Utf8FromCp1251(cause);
            return;
        }
        if (!sim_.Start(GVC_DEVSIM, {"--registry", (root_ / "devsim.reg").string(), "--memory",
                                     (root_ / "memory.bin").string(), "--profile", "default", "--reset",
                                     "--seed", "11", "--auto"})) {
            ok_ = false;
            problem_ = sim_.Error();
            return;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GVC_DRIVE_D"), QString::fromStdString((root_ / "D").string()));
        env.insert(QStringLiteral("GVC_REGISTRY_FILE"),
                   QString::fromStdString((root_ / "devsim.reg").string()));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString((root_ / "run").string()));
        cli_.setProcessEnvironment(env);
        cli_.setWorkingDirectory(QString::fromStdString((root_ / "wd").string()));
        cli_.setProcessChannelMode(QProcess::MergedChannels);
        cli_.start(cli, {QStringLiteral("calibrate"), QStringLiteral("--yes")});
        ok_ = cli_.waitForStarted();
    }
    ~CliWorkstation() {
        if (cli_.state() != QProcess::NotRunning) {
            cli_.kill();
            cli_.waitForFinished();
        }
        sim_.Stop();
    }
    bool Ok() const { return ok_; }
    const std::string& Problem() const { return problem_; }
    // Waits for the run's end: its exit code, and what it printed.
    int Finish(QString& output) {
        cli_.waitForFinished(kRunTimeoutMs);
        output = QString::fromUtf8(cli_.readAll());
        return cli_.exitStatus() == QProcess::NormalExit ? cli_.exitCode() : -1;
    }

private:
    QTemporaryDir dir_;
    fs::path root_;
    devsim::DevsimProcess sim_;
    QProcess cli_;
    bool ok_ = false;
    std::string problem_;
};

}  // namespace

class CentralLaboratoryE2eTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setFont(ProgramFont()); }

    void twoWorkstationsCalibrateAndTheLaboratoryViewShowsBoth() {
        PgCluster cluster;
        QVERIFY2(SharedCluster(cluster), "no test cluster (run the test with ctest: it starts one)");
        ServerDatabase server(cluster, "e2e");
        QVERIFY2(server.Ok(), server.Problem());

        // The window's workstation: an oxygen sensor; the operator sets the
        // chamber's gas before answering each question.
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("oxygen"), sandbox.Simulator().Error().c_str());
        InstallCentral(server);
        sandbox.Op().BeforeAnswer([&sandbox](std::string_view question) {
            const QString text = U(question);
            if (text.contains(U("Нулевую Концентрацию"_cp))) sandbox.Simulator().Command("gas zero");
            if (text.contains(U("Эталонную Концентрацию"_cp))) sandbox.Simulator().Command("gas ref");
        });
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);

        CliWorkstation other(server, QStringLiteral(GVC_CLI_PATH));
        QVERIFY2(other.Ok(), other.Problem().c_str());

        for (int i = 0; i < 4; ++i)
            sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.Run().LastSaveResult() != -2, kRunTimeoutMs);
        QCOMPARE(window.Run().LastSaveResult(), 0);
        QCOMPARE(window.edStatusG->text(), QStringLiteral("OK !"));
        QString output;
        const int exit = other.Finish(output);
        QVERIFY2(exit == 0, qPrintable(output.right(2000)));
        // Its last lines: the result, and the central database's state after its send.
        qInfo().noquote() << "gvc-cli:" << output.right(300);

        // The window's run reached the server without anybody asking (the
        // status line said "отправлено" before the run already).
        window.btLogClick();
        QTRY_COMPARE_WITH_TIMEOUT(server.RunCount(), 2LL, 60'000);
        QTRY_COMPARE(window.tsLog->stCentral->text(), U("Центральная база: отправлено"_cp));
        auto admin = server.Admin();
        QVERIFY(admin);
        const PgResult stations = admin->Exec("SELECT count(DISTINCT station_id) FROM gvc.runs");
        QVERIFY(stations.Ok());
        QCOMPARE(stations.Int(0, 0).value_or(0), std::int64_t{2});

        // This workstation's view has the window's run alone; the laboratory's
        // has both, and a sensor's history names the workstation of its run.
        LogPage& page = *window.tsLog;
        QTRY_VERIFY(page.Loaded());
        QCOMPARE(page.Model().rowCount(), 1);
        page.rbLaboratory->click();
        QTRY_VERIFY(page.Loaded());
        QCOMPARE(page.Model().rowCount(), 2);
        QStringList sensors;
        for (int row = 0; row < 2; ++row)
            sensors << page.Model().data(page.Model().index(row, 2), Qt::DisplayRole).toString();
        sensors.sort();
        QCOMPARE(sensors,
                 QStringList({QStringLiteral("01-00.00.000.291"), QStringLiteral("05-00.00.005.002")}));
        QCOMPARE(page.stLog->text(), U("Записей лаборатории: 2"_cp));
        page.tvLog->selectRow(0);
        QTRY_VERIFY(page.HistoryLoaded());
        QTRY_VERIFY(page.lvHistory->rowCount() == 1 && !page.lvHistory->item(0, 8)->text().isEmpty());
        const QString shots = qEnvironmentVariable("GVC_TEST_SHOTS");
        if (!shots.isEmpty()) {
            QCoreApplication::processEvents();
            window.grab().save(shots + QStringLiteral("/central_laboratory_e2e.png"));
        }
    }
};

QTEST_MAIN(CentralLaboratoryE2eTest)
#include "central_laboratory_e2e_test.moc"
