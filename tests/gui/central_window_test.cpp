// The window and the laboratory's central server, against a real PostgreSQL
// server and the device simulator: without central.ini nothing of it shows; a
// run stored while the server is down waits ("не отправлено 1") and reaches
// the server once it is back, with nobody doing anything; the "Журнал" page's
// laboratory view shows two workstations' runs, their due list and a
// sensor's history with the workstation of each run, and says when the server
// cannot be reached; closing the window while a send waits on a server that
// never answers ends within the connection's time-out.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <fstream>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "../core/history_fixtures.h"
#include "central/central_sender.h"
#include "central_server_fixture.h"
#include "gui/central_sending.h"
#include "gui/gui_widgets.h"
#include "gui/log_page.h"
#include "gui/log_records_model.h"
#include "gui_fixture.h"
#include "records/report_timestamp.h"
#include "store/calibration_store.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::gui::test;
using namespace gvc::literals;

namespace {

// With GVC_TEST_SHOTS set (a folder), the window as the operator sees it, for
// a look under Xvfb.
void Shot(QWidget& widget, const QString& name) {
    const QString dir = qEnvironmentVariable("GVC_TEST_SHOTS");
    if (dir.isEmpty()) return;
    QCoreApplication::processEvents();
    widget.grab().save(dir + QStringLiteral("/") + name);
}

std::string DotDate(std::int64_t day) {
    return DotDateText(DateFromDayNumber(day));
}

// A saved run of one workstation with its report record, calibrated
// `daysAgo` before today and due again `dueIn` days from today.
RunRecord SavedRun(const std::string& station, const std::string& runId, const std::string& sensor,
                   int number, std::int64_t daysAgo, std::int64_t dueIn, const char* ki) {
    const std::int64_t today = DayNumber(LocalDateToday());
    testing::LogLine line;
    line.date = DotDate(today - daysAgo);
    line.time = "09:1" + std::to_string(number % 10) + ":00";
    line.sensor = sensor;
    line.calibration = (number < 10 ? "00" : "0") + std::to_string(number);
    line.ki = ki;
    RunRecord run;
    run.runId = runId;
    run.workstation = station;
    run.operatorName = "Иванов"_cp;
    run.sensorNumber = sensor;
    run.gasCode = 1;
    run.gasText = "Метан"_cp;
    run.unitText = "ppm";
    run.rangeTop = 100;
    const CivilDate day = DateFromDayNumber(today - daysAgo);
    run.startLocal = {day.day, day.month, day.year, 9, 0, 0};
    run.endLocal = {day.day, day.month, day.year, 9, 10 + number % 10, 0};
    run.startUtc = (today - daysAgo) * 86400 + 6 * 3600;
    run.endUtc = run.startUtc + 600;
    run.referenceThousandths = 50000;
    run.outcome = RunOutcome::kSaved;
    run.saving.reportLog = StepOutcome::kOk;
    run.saving.certificate = StepOutcome::kOk;
    run.saving.sensorWrite = StepOutcome::kOk;
    run.saving.readBack = StepOutcome::kOk;
    run.reportRecordLine = testing::RecordLine(line);
    run.nextCalibration = DateFromDayNumber(today + dueIn);
    run.asFound.foundReference = ReadingError{53.0, 6.0, 3.0};
    run.asFound.leftReference = ReadingError{50.5, 1.0, 0.5};
    return run;
}

// A workstation's own database in `folder` with these runs, sent to the
// server under the workstation's name.
bool SendWorkstation(const fs::path& folder, const std::string& station, const std::vector<RunRecord>& runs,
                     const CentralSettings& settings) {
    std::string problem;
    auto store = CalibrationStore::Open(folder / "calibrations.sqlite", problem);
    if (!store) {
        qWarning("%s", Utf8FromCp1251(problem).c_str());
        return false;
    }
    for (const RunRecord& run : runs) {
        if (!store->AddRun(run, problem)) {
            qWarning("%s", Utf8FromCp1251(problem).c_str());
            return false;
        }
    }
    SendOptions options;
    options.stationName = station;
    const SendResult sent = SendPendingRuns(*store, settings, options);
    if (!sent.complete) qWarning("%s", Utf8FromCp1251(sent.message).c_str());
    return sent.complete && sent.sent == static_cast<int>(runs.size());
}

// A port on 127.0.0.1 that takes connections and never answers: a server
// that hangs. Closed with the object.
class SilentServer {
public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(fd_, 8) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// central.ini for a server at this port of 127.0.0.1 (nobody's password).
void InstallServerAt(int port, int connectTimeoutSeconds) {
    CentralSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.database = "gvc";
    settings.user = "nobody";
    settings.passFile = std::string(locations::CentralPassFile);
    settings.sslMode = "disable";
    settings.connectTimeoutSeconds = connectTimeoutSeconds;
    std::string cause;
    QVERIFY2(SavePassFile(settings, "none", cause) && SaveCentralSettings(settings, cause),
             Utf8FromCp1251(cause).c_str());
}

// One record in the report log: the database imports it at start, and it
// waits to be sent.
void WriteOneRecordLog(ProgramSandbox& sandbox) {
    testing::LogLine line;
    line.sensor = "01-01.00.000.077";
    std::ofstream(sandbox.Native(locations::ReportLogPath), std::ios::binary)
        << testing::LogBytes({testing::RecordLine(line)});
}

QString StatusText(MainWindow& window) {
    return window.tsLog->stCentral->text();
}

}  // namespace

class CentralWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // The program's font, so that the pictures look as the program does.
        QApplication::setFont(ProgramFont());
    }

    void nothingOfItWithoutCentralIni() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        WriteOneRecordLog(sandbox);
        MainWindow& window = sandbox.CreateAndShow();
        window.btLogClick();
        QTRY_VERIFY(window.tsLog->Loaded());
        QVERIFY(window.Central() == nullptr);
        QVERIFY(StatusText(window).isEmpty());
        QVERIFY(!window.tsLog->rbWorkstation->isEnabled());
        QVERIFY(!window.tsLog->rbLaboratory->isEnabled());
        QVERIFY(window.tsLog->rbWorkstation->isChecked());
        // The local log as before: no workstation column.
        QCOMPARE(window.tsLog->Model().rowCount(), 1);
        QCOMPARE(window.tsLog->Model().columnCount(), 7);
        QVERIFY2(sandbox.Messages().isEmpty(), qPrintable(sandbox.Messages().join("; ")));
    }

    void aRunStoredWhileTheServerIsDownIsSentWhenItIsBack() {
        OwnCluster cluster;
        QVERIFY2(cluster.Started(), qPrintable(cluster.Output()));
        ServerDatabase server(cluster.Cluster(), "downup");
        QVERIFY2(server.Ok(), server.Problem());
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        InstallCentral(server);
        QVERIFY(cluster.Cluster().Script(QStringLiteral("down")));

        MainWindow& window = sandbox.CreateAndShow();
        QVERIFY(window.Central() != nullptr);
        QVERIFY(window.tsLog->rbLaboratory->isEnabled());
        // Nothing waits yet, and the server cannot be reached.
        QTRY_COMPARE_WITH_TIMEOUT(StatusText(window), U("Центральная база: нет связи"_cp), 30'000);

        // A run started and stopped: its record goes into the local database
        // and waits for the server.
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QCOMPARE(window.edStatusG->text(), U("ПРЕРВАНО !"_cp));
        QTRY_COMPARE_WITH_TIMEOUT(StatusText(window), U("Центральная база: не отправлено 1"_cp), 30'000);
        QCOMPARE(TextColourOf(window.tsLog->stCentral), colour::kRed);
        QVERIFY(!window.tsLog->stCentral->toolTip().isEmpty());  // why it waits
        QCOMPARE(server.RunCount(), -1);                         // the server is down
        window.btLogClick();
        Shot(window, QStringLiteral("central_unsent.png"));

        // The server is back: the retry sends the run, nobody asks for it.
        QVERIFY(cluster.Cluster().Script(QStringLiteral("up")));
        QTRY_COMPARE_WITH_TIMEOUT(StatusText(window), U("Центральная база: отправлено"_cp), 120'000);
        QCOMPARE(TextColourOf(window.tsLog->stCentral), QColor(Qt::black));
        QCOMPARE(server.RunCount(), 1LL);
        std::string problem;
        auto store = CalibrationStore::Open(window.Places().database, problem);
        QVERIFY(store);
        QCOMPARE(UnsentRunCount(*store).value, std::int64_t{0});
        QVERIFY2(sandbox.Messages().size() == 0 || !sandbox.Messages().join("").contains(U("Центральная"_cp)),
                 qPrintable(sandbox.Messages().join("; ")));
    }

    void theLaboratoryViewShowsEveryWorkstation() {
        PgCluster cluster;
        QVERIFY2(SharedCluster(cluster), "no test cluster (run the test with ctest: it starts one)");
        ServerDatabase server(cluster, "lab");
        QVERIFY2(server.Ok(), server.Problem());
        QTemporaryDir folders;
        const fs::path root(folders.path().toStdString());
        fs::create_directories(root / "a");
        fs::create_directories(root / "b");
        const std::string passFile = (root / "ws.pgpass").string();
        const CentralSettings settings = server.WorkstationSettings(Cp1251FromUtf8(passFile));
        std::string cause;
        QVERIFY(SavePassFile(settings, server.Password(), cause));
        // Sensor 1 calibrated at A, later at B (now overdue); sensor 2 at A, due in ten days.
        const std::string a(Cp1251FromUtf8("СТЕНД-1")), b(Cp1251FromUtf8("СТЕНД-2"));
        QVERIFY(SendWorkstation(root / "a", a,
                                {SavedRun(a, "a-1", "01-01.00.000.001", 1, 400, -35, "+01.0000"),
                                 SavedRun(a, "a-2", "01-01.00.000.002", 1, 355, 10, "+01.1000")},
                                settings));
        QVERIFY(SendWorkstation(root / "b", b,
                                {SavedRun(b, "b-1", "01-01.00.000.001", 2, 370, -5, "+00.9500")}, settings));

        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        WriteOneRecordLog(sandbox);
        InstallCentral(server);
        MainWindow& window = sandbox.CreateAndShow();
        window.btLogClick();
        LogPage& page = *window.tsLog;
        QTRY_VERIFY(page.Loaded());
        QCOMPARE(page.Model().rowCount(), 1);  // this workstation's own log
        QCOMPARE(page.Model().columnCount(), 7);
        Shot(window, QStringLiteral("central_workstation_view.png"));

        page.rbLaboratory->click();
        QCOMPARE(page.CurrentScope(), LogPage::Scope::kLaboratory);
        QTRY_VERIFY(page.Loaded());
        // The imported record of this workstation reaches the server too; the
        // view shows what the server has when it is read.
        QTRY_COMPARE_WITH_TIMEOUT(StatusText(window), U("Центральная база: отправлено"_cp), 30'000);
        page.Reload();
        QTRY_VERIFY(page.Loaded());
        QVERIFY(!page.stLaboratory->isVisible());
        QCOMPARE(page.Model().columnCount(), 8);
        QCOMPARE(page.Model().headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(),
                 U("Рабочее место"_cp));
        QCOMPARE(page.Model().rowCount(), 4);
        // Newest first, each with its workstation (this one's imported record aside).
        QStringList rows;
        for (int row = 0; row < page.Model().rowCount(); ++row) {
            const QString station = page.Model().data(page.Model().index(row, 7), Qt::DisplayRole).toString();
            if (station != U(a) && station != U(b)) continue;
            rows << page.Model().data(page.Model().index(row, 2), Qt::DisplayRole).toString() + " " + station;
            QCOMPARE(page.Model().data(page.Model().index(row, 0), Qt::ToolTipRole).toString(),
                     U("Рабочее место: "_cp) + station);
        }
        QCOMPARE(rows, QStringList({"01-01.00.000.002 " + U(a), "01-01.00.000.001 " + U(b),
                                    "01-01.00.000.001 " + U(a)}));
        QCOMPARE(page.stLog->text(), U("Записей лаборатории: 4"_cp));

        // The laboratory's due list: sensor 1's newest run is B's (overdue by
        // five days), sensor 2 is due in ten.
        QCOMPARE(page.lvDue->rowCount(), 2);
        QCOMPARE(page.lvDue->item(0, 0)->text(), QStringLiteral("01-01.00.000.001"));
        QCOMPARE(page.lvDue->item(0, 4)->text(), QStringLiteral("-5"));
        QCOMPARE(page.lvDue->item(0, 0)->foreground().color(), colour::kRed);
        QCOMPARE(page.lvDue->item(1, 0)->text(), QStringLiteral("01-01.00.000.002"));
        QCOMPARE(page.lvDue->item(1, 4)->text(), QStringLiteral("10"));

        // Sensor 1's history: both workstations' runs, each with its workstation.
        page.SelectSensor("01-01.00.000.001");
        QTRY_VERIFY(page.HistoryLoaded());
        QCOMPARE(page.lvHistory->rowCount(), 2);
        QCOMPARE(page.lvHistory->columnCount(), 9);
        QTRY_COMPARE(page.lvHistory->item(0, 8)->text(), U(a));
        QCOMPARE(page.lvHistory->item(1, 8)->text(), U(b));
        QCOMPARE(page.lvHistory->item(0, 7)->text(), U("Иванов"_cp));
        QVERIFY(!page.btPdf->isEnabled());  // the certificates are each workstation's files
        page.tvLog->selectRow(0);
        Shot(window, QStringLiteral("central_laboratory_view.png"));

        // Back to this workstation: its own log, without the column.
        page.rbWorkstation->click();
        QTRY_VERIFY(page.Loaded());
        QCOMPARE(page.CurrentScope(), LogPage::Scope::kWorkstation);
        QCOMPARE(page.Model().rowCount(), 1);
        QCOMPARE(page.Model().columnCount(), 7);
        QCOMPARE(page.lvHistory->columnCount(), 8);
        QVERIFY2(sandbox.Messages().isEmpty(), qPrintable(sandbox.Messages().join("; ")));
    }

    void theLaboratoryViewSaysWhenTheServerCannotBeReached() {
        // A port nobody listens on: a socket bound and closed again.
        int port = 0;
        {
            SilentServer gone;
            port = gone.Port();
        }
        QVERIFY(port != 0);
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        WriteOneRecordLog(sandbox);
        InstallServerAt(port, 2);
        MainWindow& window = sandbox.CreateAndShow();
        window.btLogClick();
        LogPage& page = *window.tsLog;
        QTRY_VERIFY(page.Loaded());
        page.rbLaboratory->click();
        QTRY_VERIFY(page.Loaded());
        QVERIFY(page.stLaboratory->isVisible());
        QVERIFY2(page.stLaboratory->text().startsWith(U("Центральная база недоступна.\n"_cp)),
                 qPrintable(page.stLaboratory->text()));
        QCOMPARE(page.stLog->text(), U("Нет связи с центральной базой"_cp));
        QCOMPARE(page.Model().rowCount(), 0);
        QCOMPARE(page.lvDue->rowCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(StatusText(window), U("Центральная база: не отправлено 1"_cp), 30'000);
        Shot(window, QStringLiteral("central_unreachable.png"));
        QVERIFY2(sandbox.Messages().isEmpty(), qPrintable(sandbox.Messages().join("; ")));
    }

    void closingWhileASendWaitsOnADeadServerEndsWithinTheTimeOut() {
        SilentServer hung;
        QVERIFY(hung.Port() != 0);
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        WriteOneRecordLog(sandbox);
        const int timeout = 2;  // seconds, libpq's least
        InstallServerAt(hung.Port(), timeout);
        MainWindow& window = sandbox.CreateAndShow();
        QVERIFY(window.Central() != nullptr);
        QTRY_VERIFY(window.Central()->Busy());
        // The window closes at once; its end waits for the connection attempt.
        QElapsedTimer ended;
        ended.start();
        QVERIFY(window.close());
        window.StopCentral(true);
        const qint64 waited = ended.elapsed();
        qInfo("closed while connecting to a server that never answers: stopped after %lld ms (time-out %d s)",
              static_cast<long long>(waited), timeout);
        QVERIFY(!window.Central()->Busy());
        // Nothing was sent and nothing is lost: the run still waits.
        std::string problem;
        auto store = CalibrationStore::Open(window.Places().database, problem);
        QVERIFY(store);
        QCOMPARE(UnsentRunCount(*store).value, std::int64_t{1});
    }
};

QTEST_MAIN(CentralWindowTest)
#include "central_window_test.moc"
