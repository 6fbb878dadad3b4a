// The window and the calibration database: the log reachable without a
// sensor, a record whose sensor write failed shown red in the log and the
// history with as found, as left, cylinder and operator, the reference
// dialog's cylinders, and the certificate PDF's database section and pages.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "../core/history_fixtures.h"
#include "gui/certificate_pdf.h"
#include "gui/certificate_run_section.h"
#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "gui/log_page.h"
#include "gui/log_records_model.h"
#include "gui/main_window.h"
#include "gui/reference_dialog.h"
#include "gui_fixture.h"
#include "records/report_timestamp.h"
#include "store/calibration_store.h"
#include "store/store_session.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::gui::test;
using namespace gvc::literals;

namespace {

testing::LogLine Line(const char* date, const char* sensor, const char* ki) {
    testing::LogLine l;
    l.date = date;
    l.time = "09:00:00";
    l.sensor = sensor;
    l.ki = ki;
    return l;
}

const testing::LogLine kLines[] = {
    Line("10.01.2026", "01-01.00.000.001", "+01.0000"),
    Line("10.04.2026", "01-01.00.000.001", "+01.0100"),
    Line("11.04.2026", "01-01.00.000.002", "+01.0000"),
};

void WriteLog(const fs::path& file) {
    std::vector<std::string> lines;
    for (const auto& l : kLines)
        lines.push_back(testing::RecordLine(l));
    std::ofstream(file, std::ios::binary) << testing::LogBytes(lines);
}

// The second record's run: its record was written, then the sensor's write failed.
RunRecord FailedWriteRun(std::int64_t cylinderId) {
    RunRecord run;
    run.runId = "ws-1-a";
    run.workstation = "WS";
    run.operatorName = "Петров"_cp;
    run.sensorNumber = "01-01.00.000.001";
    run.gasCode = 1;
    run.unitText = "ppm";
    run.rangeTop = 100;
    run.referenceThousandths = 50000;
    run.referenceSource = ReferenceSource::kCylinder;
    run.cylinderId = cylinderId;
    run.outcome = RunOutcome::kSaveFailed;
    run.saving.reportLog = StepOutcome::kOk;
    run.saving.certificate = StepOutcome::kOk;
    run.saving.sensorWrite = StepOutcome::kFailed;
    run.saving.message = "Параметры, прочитанные из Датчика, не совпадают с записанными"_cp;
    run.reportRecordLine = testing::RecordLine(kLines[1]);
    run.asFound.foundReference = ReadingError{53.0, 6.0, 3.0};
    run.asFound.foundInTolerance = true;
    run.asFound.leftReference = ReadingError{50.5, 1.0, 0.5};
    return run;
}

std::unique_ptr<CalibrationStore> OpenStore() {
    std::string problem;
    auto store = CalibrationStore::Open(WorkstationStorePlaces().database, problem);
    if (!store) qWarning("%s", problem.c_str());
    return store;
}

std::int64_t AddCylinder(CalibrationStore& store, const char* lot, double value, CivilDate expiry) {
    Cylinder c;
    c.gasCode = 1;
    c.gasText = "Метан"_cp;
    c.concentration = value;
    c.unitText = "ppm";
    c.lot = lot;
    c.expiry = expiry;
    std::string problem;
    return store.AddCylinder(c, problem);
}

}  // namespace

class CalibrationStoreWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theLogIsReachableWithoutASensor() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        WriteLog(sandbox.Native(locations::ReportLogPath));
        MainWindow& window = sandbox.CreateAndShow();
        QVERIFY2(sandbox.Messages().isEmpty(), qPrintable(sandbox.Messages().join("; ")));
        // The database was created at start and the log came in.
        QVERIFY(fs::exists(WorkstationStorePlaces().database));
        QCOMPARE(OpenStore()->RunCount().value, std::int64_t{3});

        QCOMPARE(window.ConnectionState(), 1);
        QVERIFY(!window.pcGrad->isVisible());
        QVERIFY(window.btLog->isVisible());
        window.btLog->click();
        QVERIFY(window.pcGrad->isVisible());
        QCOMPARE(window.pcGrad->currentWidget(), static_cast<QWidget*>(window.tsLog));
        // Only the log: the pages that need a sensor stay hidden.
        QVERIFY(!window.pcGrad->isTabVisible(window.pcGrad->indexOf(window.tsPar)));
        QVERIFY(!window.pcGrad->isTabVisible(window.pcGrad->indexOf(window.tsCal)));
        QTRY_VERIFY(window.tsLog->Loaded());
        QCOMPARE(window.tsLog->Model().rowCount(), 3);
        QVERIFY(window.tsLog->btCylinders->isEnabled());
        QVERIFY(window.tsLog->btSettings->isEnabled());
    }

    void aDatabaseThatCannotBeOpenedIsSaidOnce() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        WriteLog(sandbox.Native(locations::ReportLogPath));
        // A folder where the database file belongs: it cannot be opened.
        fs::create_directories(WorkstationStorePlaces().database);
        MainWindow& window = sandbox.CreateAndShow();
        QVERIFY(window.StartupOk());
        QCOMPARE(sandbox.Messages().size(), 1);
        QVERIFY(sandbox.Messages()[0].startsWith(U("База данных градуировок недоступна: ")));
        QVERIFY(sandbox.Messages()[0].contains(U("сохраняются в файлах как обычно")));
        // The log page still reads the files, without the database's marks.
        window.btLog->click();
        QTRY_VERIFY(window.tsLog->Loaded());
        QCOMPARE(window.tsLog->Model().rowCount(), 3);
        window.tsLog->SelectSensor("01-01.00.000.001");
        QCOMPARE(window.tsLog->lvHistory->rowCount(), 2);
        QCOMPARE(sandbox.Messages().size(), 1);
    }

    void aRecordWhoseSensorWriteFailedIsRed() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        WriteLog(sandbox.Native(locations::ReportLogPath));
        {
            auto store = OpenStore();
            QVERIFY(store);
            const std::int64_t cylinder = AddCylinder(*store, "A-17", 50.0, {2099, 1, 1});
            std::string problem;
            QVERIFY2(store->AddRun(FailedWriteRun(cylinder), problem), problem.c_str());
        }
        LogPage page(sandbox.Op());
        page.SetDatabase(WorkstationStorePlaces().database);
        page.resize(632, 310);
        page.show();
        QTRY_VERIFY(page.Loaded());
        const LogRecordsModel& model = page.Model();
        QCOMPARE(model.rowCount(), 3);
        // Newest first: rows 0 and 2 are fine, row 1 is the failed write.
        for (int row = 0; row < 3; ++row) {
            const QVariant colour = model.data(model.index(row, 2), Qt::ForegroundRole);
            QCOMPARE(colour.isValid() && colour.value<QColor>() == colour::kRed, row == 1);
        }
        page.SelectSensor("01-01.00.000.001");
        QCOMPARE(page.lvHistory->rowCount(), 2);
        QCOMPARE(page.lvHistory->columnCount(), 8);
        QVERIFY(page.lvHistory->item(0, 0)->foreground().color() != colour::kRed);
        for (int column = 0; column < 8; ++column)
            QCOMPARE(page.lvHistory->item(1, column)->foreground().color(), colour::kRed);
        QVERIFY(page.lvHistory->item(1, 4)->text().contains(QStringLiteral("53 (+6.00 %)")));
        QVERIFY(page.lvHistory->item(1, 4)->text().contains(U("в допуске")));
        QVERIFY(page.lvHistory->item(1, 5)->text().contains(QStringLiteral("50.5 (+1.00 %)")));
        QVERIFY(page.lvHistory->item(1, 6)->text().contains(QStringLiteral("A-17")));
        QCOMPARE(page.lvHistory->item(1, 7)->text(), U("Петров"));
        QVERIFY(page.lvHistory->item(1, 0)->toolTip().contains(U("не совпадают")));
        // The imported-free first record has no database row: empty columns.
        QVERIFY(page.lvHistory->item(0, 7)->text().isEmpty());
    }

    void theReferenceDialogOffersTheSensorsCylinders() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        MainWindow& window = sandbox.CreateAndShow();
        {
            auto store = OpenStore();
            QVERIFY(store);
            AddCylinder(*store, "OLD-1", 40.0, {2020, 1, 1});
            AddCylinder(*store, "NEW-2", 47.25, {2099, 1, 1});
            Cylinder other;
            other.gasCode = 2;
            other.unitText = "ppm";
            other.lot = "X";
            std::string problem;
            store->AddCylinder(other, problem);
        }
        window.Sensor().NewParams.GasCode = 1;
        window.Sensor().NewParams.MultiplierCode = 1;
        std::string none;
        std::vector<CylinderOffer> offers = window.SensorCylinders(none);
        // The unit of the characteristics list is empty without a sensor: the
        // offers are checked against the cylinder's own unit here.
        for (CylinderOffer& o : offers)
            o = OfferCylinders({o.cylinder}, 1, {0, "ppm", 1}, LocalDateToday()).front();
        QCOMPARE(offers.size(), std::size_t{2});

        ReferenceDialog& dialog = sandbox.Reference();
        dialog.SetCylinders(offers, none);
        dialog.Prepare(50000, 1);
        QCOMPARE(dialog.CylinderBox()->count(), 2);
        // The expired one cannot be chosen and says why; the good one is preselected.
        QCOMPARE(dialog.CylinderBox()->currentIndex(), 1);
        QVERIFY(dialog.CylinderButton()->isEnabled());
        dialog.CylinderBox()->setCurrentIndex(0);
        QVERIFY(!dialog.CylinderButton()->isEnabled());
        QCOMPARE(dialog.CylinderReason()->text(),
                 U("Баллон OLD-1 нельзя выбрать: срок годности истек 01.01.2020"));
        dialog.CylinderBox()->setCurrentIndex(1);
        QCOMPARE(dialog.CylinderReason()->text(), QString());
        QCOMPARE(dialog.CylinderBox()->currentText(), U("Баллон NEW-2: 0047.3 ppm, годен до 01.01.2099"));
        // 47.25 is shown with one decimal: rounded only when the operator agrees.
        dialog.open();
        sandbox.Op().QueueAnswer(false);
        dialog.CylinderButton()->click();
        QVERIFY(dialog.ChosenCylinder() == nullptr);
        QVERIFY(dialog.isVisible());
        QVERIFY(sandbox.Messages().last().contains(U("расчет и сертификат будут со значением 0047.3")));
        sandbox.Op().QueueAnswer(true);
        dialog.CylinderButton()->click();
        QCOMPARE(dialog.result(), kReferenceResultCylinder);
        QVERIFY(dialog.ChosenCylinder() != nullptr);
        QCOMPARE(dialog.ChosenCylinder()->thousandths, 47300);
        QCOMPARE(dialog.ChosenCylinder()->cylinder.lot, std::string("NEW-2"));

        // No database: the list says so.
        fs::remove(WorkstationStorePlaces().database);
        fs::create_directory(WorkstationStorePlaces().database);
        none.clear();
        QVERIFY(window.SensorCylinders(none).empty());
        QVERIFY(!none.empty());
        dialog.SetCylinders({}, none);
        QVERIFY(!dialog.CylinderBox()->isEnabled());
        QVERIFY(!dialog.CylinderButton()->isEnabled());
    }

    void aChosenCylinderSetsTheReferenceAndIsRecorded() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        MainWindow& window = sandbox.CreateAndShow();
        std::int64_t id = 0;
        {
            auto store = OpenStore();
            QVERIFY(store);
            // Without a sensor the characteristics name no unit: a cylinder
            // without one matches it.
            Cylinder c;
            c.gasCode = 1;
            c.concentration = 12.345;
            c.lot = "L-9";
            c.expiry = {2099, 1, 1};
            std::string problem;
            id = store->AddCylinder(c, problem);
            QVERIFY2(id > 0, problem.c_str());
        }
        window.Sensor().NewParams.GasCode = 1;
        window.Sensor().NewParams.MultiplierCode = 2;
        window.Sensor().NewParams.RefConc = 50000;
        ReferenceDialog& dialog = sandbox.Reference();
        sandbox.Op().QueueAnswer(true);  // rounded to the two decimals shown
        QTimer::singleShot(0, &dialog, [&] { dialog.CylinderButton()->click(); });
        window.stStdUDblClick();
        QCOMPARE(window.Reference().referenceValue, 12350);  // two decimals shown
        QVERIFY(window.Reference().referenceManual);
        QCOMPARE(window.ReferenceCylinder(), std::optional<std::int64_t>(id));
        QVERIFY(window.stStdU->toolTip().contains(QStringLiteral("L-9")));
        // The standard value again: no cylinder.
        QTimer::singleShot(0, &dialog, [&] { dialog.StandardButton()->click(); });
        window.stStdUDblClick();
        QCOMPARE(window.Reference().referenceValue, 50000);
        QCOMPARE(window.ReferenceCylinder(), std::optional<std::int64_t>());
    }

    void thePdfNumbersItsPagesAndCarriesTheDatabaseSection() {
        ProgramSandbox sandbox;
        const ReportTimestamp when{10, 7, 2026, 9, 0, 0};
        const std::string certificate =
            testing::CertificateFile({1, 1, 1, 1}, "Метан", "10.07.2027", "31.12.2099", when);
        const fs::path dir = sandbox.Native("D:\\");
        const auto pages = [](const fs::path& pdf) {
            const std::string bytes = ReadFileBytes(pdf, 1 << 24).value_or("");
            const std::size_t at = bytes.find("/Type /Pages");
            const std::size_t count = bytes.find("/Count ", at);
            return at == std::string::npos || count == std::string::npos
                       ? -1
                       : std::atoi(bytes.c_str() + count + 7);
        };
        const fs::path one = dir / "one.pdf";
        QVERIFY(WriteCertificatePdf(certificate, QString::fromStdU16String(one.u16string())));
        const int certificatePages = pages(one);
        QVERIFY(certificatePages >= 1);

        // The database's section, long enough to need a second page.
        std::map<std::int64_t, Cylinder> cylinders;
        PdfSection section = RunSection(StoredRun{7, FailedWriteRun(3), {}, {}, {}}, cylinders);
        QVERIFY(section.items.size() >= 8);
        QCOMPARE(section.items[0].second, U("Петров"));
        QVERIFY(section.warn.back() || section.warn[section.warn.size() - 2]);
        const std::size_t base = section.items.size();
        for (int i = 0; i < 120; ++i)
            section.items.emplace_back(QString::number(i), QString::number(i));
        section.warn.resize(section.items.size(), false);
        const fs::path two = dir / "two.pdf";
        QVERIFY(WriteCertificatePdf(certificate, QString::fromStdU16String(two.u16string()), &section));
        QVERIFY(pages(two) >= certificatePages + 2);  // 120 rows are more than two pages
        QVERIFY(base > 0);
    }

private:
    static QString U(const char* utf8) { return QString::fromUtf8(utf8); }
};

QTEST_MAIN(CalibrationStoreWindowTest)
#include "calibration_store_window_test.moc"
