// The log page on records made to order: the log's records newest first and
// narrowed by sensor number, a sensor's history with its plot, the sensors
// due (overdue in red), a damaged log named, and the certificate as a PDF.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <fstream>

#include "../core/history_fixtures.h"
#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "gui/log_page.h"
#include "gui/log_records_model.h"
#include "gui/slope_plot.h"
#include "gui_fixture.h"
#include "records/certificate.h"
#include "records/report_timestamp.h"
#include "util/calendar.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::gui::test;
using namespace gvc::literals;

namespace {

std::string DotDate(std::int64_t day) {
    return DotDateText(DateFromDayNumber(day));
}

// Records of two sensors; the slope of the first drops by a quarter at its
// third calibration.
void WriteLog(const fs::path& file) {
    const auto line = [](const char* date, const char* time, const char* sensor, const char* ki) {
        testing::LogLine l;
        l.date = date;
        l.time = time;
        l.sensor = sensor;
        l.ki = ki;
        return testing::RecordLine(l);
    };
    std::ofstream(file, std::ios::binary) << testing::LogBytes({
        line("10.01.2026", "09:00:00", "01-01.00.000.001", "+01.0000"),
        line("11.01.2026", "09:00:00", "01-01.00.000.002", "+02.0000"),
        line("10.04.2026", "09:00:00", "01-01.00.000.001", "+01.0500"),
        line("10.07.2026", "09:00:00", "01-01.00.000.001", "+00.7800"),
    });
}

// Certificates: sensor 1 overdue by ten days, sensor 2 due in ten, sensor 3 not due.
void WriteCertificates(const fs::path& typeDir) {
    const std::int64_t today = DayNumber(LocalDateToday());
    const ReportTimestamp when{10, 7, 2026, 9, 0, 0};
    const struct {
        unsigned serial;
        std::int64_t nextIn;
    } sensors[] = {{1, -10}, {2, 10}, {3, 200}};
    fs::create_directories(typeDir);
    for (const auto& s : sensors) {
        const SensorIdentity id{1, s.serial, 1, 1};
        std::ofstream(typeDir / ("01-01_00_000_00" + std::to_string(s.serial) + ".dat"), std::ios::binary)
            << testing::CertificateFile(id, "Метан", DotDate(today + s.nextIn), "31.12.2099", when);
    }
}

}  // namespace

class LogPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsRecordsHistoryAndDueSensors() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        WriteLog(sandbox.Native(locations::ReportLogPath));
        WriteCertificates(sandbox.Native(locations::SensorsDir) / u8"01-Метан" / u8"Тип_01-01");
        LogPage page(sandbox.Op());
        page.resize(632, 310);
        page.show();
        QTRY_VERIFY(page.Loaded());

        // Newest first.
        const auto& model = page.Model();
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("10.07.2026"));
        QCOMPARE(model.data(model.index(3, 2), Qt::DisplayRole).toString(),
                 QStringLiteral("01-01.00.000.001"));
        QCOMPARE(page.stLog->text(), U("Записей в журнале: 4"));

        QTest::keyClicks(page.edFilter, QStringLiteral("000_002"));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(Qs(page.SelectedSensor()), QStringLiteral("01-01.00.000.002"));
        QVERIFY(page.btPdf->isEnabled());
        // A filter that matches nothing leaves no sensor's history and nothing to print.
        QTest::keyClicks(page.edFilter, QStringLiteral("9"));
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(page.SelectedSensor(), std::string());
        QCOMPARE(page.lvHistory->rowCount(), 0);
        QVERIFY(page.pnSlope->Points().empty());
        QVERIFY(!page.btPdf->isEnabled());
        page.edFilter->clear();
        QCOMPARE(model.rowCount(), 4);

        // The history of the selected sensor, oldest first, the fast drop in red.
        page.tvLog->selectRow(0);
        QCOMPARE(Qs(page.SelectedSensor()), QStringLiteral("01-01.00.000.001"));
        QCOMPARE(page.lvHistory->rowCount(), 3);
        QCOMPARE(page.lvHistory->item(1, 3)->text(), QStringLiteral("+5.0 %"));
        QCOMPARE(page.lvHistory->item(2, 3)->text(), QStringLiteral("-25.7 %"));
        QCOMPARE(page.lvHistory->item(2, 2)->foreground().color(), colour::kRed);
        QCOMPARE(page.pnSlope->Points().size(), std::size_t{3});
        QVERIFY(page.pnSlope->Points()[2].fastChange);

        // Due: the overdue sensor first and in red, then the one due soon.
        QCOMPARE(page.lvDue->rowCount(), 2);
        QCOMPARE(page.lvDue->item(0, 0)->text(), QStringLiteral("01-01.00.000.001"));
        QCOMPARE(page.lvDue->item(0, 4)->text(), QStringLiteral("-10"));
        QCOMPARE(page.lvDue->item(0, 0)->foreground().color(), colour::kRed);
        QCOMPARE(page.lvDue->item(1, 4)->text(), QStringLiteral("10"));
        QVERIFY(page.lvDue->item(1, 0)->foreground().color() != colour::kRed);
    }

    void writesTheCertificateAsPdfBesideIt() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        WriteLog(sandbox.Native(locations::ReportLogPath));
        const fs::path typeDir = sandbox.Native(locations::SensorsDir) / u8"01-Метан" / u8"Тип_01-01";
        WriteCertificates(typeDir);
        LogPage page(sandbox.Op());
        QStringList opened;
        page.openFile = [&](const QString& file) {
            opened << file;
            return true;
        };
        page.show();
        QTRY_VERIFY(page.Loaded());
        page.SelectSensor("01-01.00.000.001");
        page.btPdf->click();
        QVERIFY2(sandbox.Messages().isEmpty(), qPrintable(sandbox.Messages().join("; ")));
        const fs::path pdf = typeDir / "01-01_00_000_001.pdf";
        QCOMPARE(opened, QStringList{QString::fromStdU16String(pdf.u16string())});
        const std::string bytes = ReadFileBytes(pdf, 1 << 24).value_or("");
        QVERIFY(bytes.starts_with("%PDF-"));
        QVERIFY(bytes.find("/FontFile2") != std::string::npos);          // the fonts are embedded
        QVERIFY(bytes.find("/MediaBox [0 0 595") != std::string::npos);  // A4

        // A sensor in the log without a certificate.
        page.SelectSensor("01-01.00.000.009");
        page.btPdf->click();
        QCOMPARE(sandbox.Messages(), QStringList{U("Нет сертификата датчика 01-01.00.000.009")});
    }

    void isTheWindowsThirdPageAndFollowsASavedCalibration() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        MainWindow& window = sandbox.CreateAndShow();
        QCOMPARE(window.pcGrad->count(), 3);
        QCOMPARE(window.pcGrad->tabText(2), U("Журнал"));
        QCOMPARE(window.pcGrad->widget(2), static_cast<QWidget*>(window.tsLog));
        QTRY_VERIFY(window.tsLog->Loaded());
        QCOMPARE(window.tsLog->Model().rowCount(), 0);
        // A calibration was saved: the log has records now.
        WriteLog(sandbox.Native(locations::ReportLogPath));
        window.SaveLineShown(SaveLine::kCertificate, "Сертификат заполнен"_cp);
        QTRY_COMPARE(window.tsLog->Model().rowCount(), 4);
    }

    void namesADamagedLog() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        const fs::path log = sandbox.Native(locations::ReportLogPath);
        WriteLog(log);
        std::fstream f(log, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(fs::file_size(log) - 10 - 106 - 100));
        f.put('7');
        f.close();
        LogPage page(sandbox.Op());
        page.show();
        QTRY_VERIFY(page.Loaded());
        QCOMPARE(page.Model().rowCount(), 0);
        QCOMPARE(page.stLog->text(), U("Файл Отчета: не совпадает Контрольная Сумма"));
    }

    void slopePlotKeepsEveryDotInsideItsFrame() {
        const struct {
            const char* what;
            std::vector<SlopePoint> points;
        } cases[] = {
            {"two calibrations on one day", {{20000, 1.0}, {20000, 1.2}}},
            {"one calibration", {{20000, 1.0}}},
            {"three over two years", {{20000, 1.0}, {20300, 0.8, true}, {20730, 1.1}}},
            {"equal slopes on two days", {{20000, 1.0}, {20001, 1.0}}},
        };
        const QRect area(44, 20, 188, 100);
        for (const auto& c : cases) {
            SlopePlot plot;
            plot.SetPoints(c.points, QString());
            const std::vector<QPointF> at = plot.Positions(area);
            QCOMPARE(at.size(), c.points.size());
            const double r = SlopePlot::kDotRadius;
            for (const QPointF& p : at) {
                QVERIFY2(p.x() - r >= area.left() && p.x() + r <= area.right() && p.y() - r >= area.top() &&
                             p.y() + r <= area.bottom(),
                         qPrintable(QStringLiteral("%1: (%2, %3)").arg(c.what).arg(p.x()).arg(p.y())));
            }
        }
    }

private:
    static QString U(const char* utf8) { return QString::fromUtf8(utf8); }
};

QTEST_MAIN(LogPageTest)
#include "log_page_test.moc"
