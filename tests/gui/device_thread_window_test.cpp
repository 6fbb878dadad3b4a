// The window and its device thread: "Стоп" pressed while a sample's exchange
// is on the line ends the run at once, before that exchange has finished; the
// exchange still reads its reply (the simulator's traffic log holds only whole
// packets, and the next connection finds no stray bytes), and nothing more is
// sent for the stopped run. Closing during a connection stops it the same way.
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <fstream>

#include "gui/calibration_widgets.h"
#include "gui/gui_widgets.h"
#include "gui_fixture.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::gui::test;
using namespace gvc::literals;

namespace {

QStringList ReadLines(const fs::path& file) {
    QStringList lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        lines << QString::fromStdString(line);
    return lines;
}

// Every line of the traffic log is one whole exchange the device carried
// out: numbered in order, a known command, a length of 1, 2 or 4, done.
void CheckWholeExchanges(const QStringList& log) {
    static const QRegularExpression kExchange(
        QStringLiteral("^(\\d+) (probe|read|write) [0-9A-F]{2} [124] [0-9A-F]{8} ok$"));
    qulonglong previous = 0;
    for (const QString& line : log) {
        const QRegularExpressionMatch match = kExchange.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        const qulonglong number = match.captured(1).toULongLong();
        if (previous != 0) QCOMPARE(number, previous + 1);
        previous = number;
    }
}

// A program's table and data tree, and the simulator keeping its traffic log
// in `log`.
bool StartLoggingSimulator(ProgramSandbox& sandbox, const fs::path& log) {
    sandbox.CopyTable();
    sandbox.MakeDataTree();
    return sandbox.StartSimulator("default", {"--log", log.string()});
}

}  // namespace

class DeviceThreadWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stopDuringAnExchangeActsAtOnceAndCutsNoPacket() {
        ProgramSandbox sandbox;
        const fs::path log = sandbox.WorkDir() / "traffic.log";
        QVERIFY2(StartLoggingSimulator(sandbox, log), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QCOMPARE(window.btStart->text(), U("Стоп"_cp));
        QTRY_VERIFY_WITH_TIMEOUT(!window.stCurK->text().isEmpty(), 10000);

        // Wait for the next sample's exchanges to be on the line.
        QTRY_VERIFY_WITH_TIMEOUT(window.Device().Busy(), 5000);
        const std::size_t messages = sandbox.Op().Messages().size();
        const QString adcShown = window.stCurK->text();
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        // The stop state is on the window as the click returns; the exchange
        // it came during finished first and the write that puts the sensor's
        // parameters back followed it.
        QCOMPARE(window.btStart->text(), U("Старт"_cp));
        QCOMPARE(window.edStatusG->text(), U("ПРЕРВАНО !"_cp));
        QCOMPARE(TextColourOf(window.edStatusG), colour::kRed);
        QVERIFY(!window.tmSample->isActive());
        QVERIFY(!window.tmDraw->isActive());
        for (LampShape* lamp : window.Lamps())
            QCOMPARE(lamp->Colour(), colour::kGrey);

        // The exchange on the line finishes; the rest of the sample is not
        // sent and its values are not shown.
        QTRY_VERIFY_WITH_TIMEOUT(!window.Device().Busy(), 5000);
        const qsizetype exchanges = ReadLines(log).size();
        QTest::qWait(600);
        QCOMPARE(ReadLines(log).size(), exchanges);
        QCOMPARE(window.stCurK->text(), adcShown);
        QCOMPARE(window.ConnectionState(), 0);
        // The interruption question and the word that the sensor is put back.
        QCOMPARE(sandbox.Op().Messages().size(), messages + 2);

        // No stray reply waits in the port: a new connection reads the sensor
        // without a single error.
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 1);
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        QCOMPARE(sandbox.Op().Messages().size(), messages + 2);
        QVERIFY(!ReadLines(log).isEmpty());
        CheckWholeExchanges(ReadLines(log));
    }

    void closingDuringAConnectionStopsItAfterTheExchangeOnTheLine() {
        ProgramSandbox sandbox;
        const fs::path log = sandbox.WorkDir() / "traffic.log";
        QVERIFY2(StartLoggingSimulator(sandbox, log), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        // Close as soon as the first exchange of the connection is under way.
        QTimer closer;
        closer.setInterval(1);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (!window.Device().Busy()) return;
            closer.stop();
            QVERIFY(window.close());
        });
        closer.start();
        window.btConn->click();
        QVERIFY(!window.isVisible());
        QVERIFY(window.ConnectionState() != 0);
        QTRY_VERIFY_WITH_TIMEOUT(!window.Device().Busy(), 5000);
        // The connection made at most the exchange that was on the line, not
        // the forty of a full read, and showed nothing.
        const QStringList exchanges = ReadLines(log);
        QVERIFY2(exchanges.size() <= 1, qPrintable(exchanges.join(QStringLiteral(" | "))));
        CheckWholeExchanges(exchanges);
        QVERIFY(sandbox.Op().Messages().empty());
    }
};

QTEST_MAIN(DeviceThreadWindowTest)
#include "device_thread_window_test.moc"
