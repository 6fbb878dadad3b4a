// Takes the screenshots of the README and of the operator's guide: the main
// window on its characteristics page after a connection to the simulated
// sensor, its calibration page, the reference dialog with a typed value, the
// two gas questions, a calibration run in its reference stage, and the
// finished, saved result (the run takes about two minutes; the chamber is set
// to each gas before its question is answered), the log page over that record
// and earlier ones (and, first, without a sensor), the sensor's certificate as
// a PDF (certificate.pdf, for a picture of its page), the cylinders' dialog; last, the guide itself as a
// browser shows it, for the README. Run under Xvfb:
//   xvfb-run -a build/tests/gui/gvc_gui_screenshots docs Help/images
// or, for the guide's picture alone:
//   xvfb-run -a build/tests/gui/gvc_gui_screenshots --guide docs
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "../core/history_fixtures.h"
#include "gui/gui_widgets.h"
#include "gui/log_page.h"
#include "gui/message_box_operator.h"
#include "gui_fixture.h"
#include "records/report_timestamp.h"
#include "records/sensor_number.h"
#include "store/calibration_store.h"
#include "util/calendar.h"
#include "util/cp1251.h"

using namespace gvc::gui;
using namespace gvc::gui::test;
using namespace gvc::literals;

namespace {

// The README's pictures and the guide's (the guide has them all, the README
// those it names).
QString gReadmeDir;
QString gGuideDir;

bool SaveTo(QWidget& widget, const QString& file) {
    QCoreApplication::processEvents();
    widget.repaint();
    const bool saved = widget.grab().save(file);
    std::cout << (saved ? "wrote " : "cannot write ") << file.toStdString() << "\n";
    return saved;
}

bool Save(QWidget& widget, const QString& name, bool readme = true) {
    bool ok = SaveTo(widget, gGuideDir + QLatin1Char('/') + name);
    if (readme) ok = SaveTo(widget, gReadmeDir + QLatin1Char('/') + name) && ok;
    return ok;
}

// A question box as the operator sees it, saved under `name`.
bool SaveQuestion(QWidget* parent, std::string_view question, const QString& name) {
    auto box = MakeOperatorBox(parent, gvc::MessageKind::kWarning, question, true);
    box->show();
    const bool ok = Save(*box, name, false);
    box->hide();
    return ok;
}

// Earlier calibrations of the connected sensor (its slope drifting towards
// today's) and of a few other sensors, and the certificates of the others,
// some due for calibration: what a workstation has after a couple of years.
void WriteEarlierRecords(const MainWindow& window, const ProgramSandbox& sandbox) {
    using namespace gvc;
    const SensorIdentity own = window.Sensor().identity;
    const std::int64_t today = DayNumber(LocalDateToday());
    // The slope as the list shows it ("+01.2207"); a plain 1 where it reads otherwise.
    double slope = std::strtod(window.Characteristics().Rows()[23].oldText.c_str(), nullptr);
    if (!(slope > 0.1 && slope < 8)) slope = 1.0;
    std::vector<std::pair<std::int64_t, std::string>> lines;
    const auto record = [&](std::int64_t day, const SensorIdentity& id, double ki, int count) {
        testing::LogLine l;
        l.date = DotDateText(DateFromDayNumber(day));
        l.time = "1" + std::to_string(day % 8) + ":" + std::to_string(10 + day % 50) + ":0" +
                 std::to_string(day % 10);
        l.sensor = SensorNumberText(id);
        l.calibration = FormatIntZero(count, 3);
        char ki_text[16];
        std::snprintf(ki_text, sizeof ki_text, "%+08.4f", ki);
        l.ki = ki_text;
        l.unitUtf8 = "% НКПР";
        lines.emplace_back(day, testing::RecordLine(l));
    };
    // As many earlier records as the sensor counts calibrations, a quarter of
    // a year apart, the slope a little higher each time further back.
    const int earlier = std::min<int>(window.Sensor().OldParams.CalibrationCount, 12);
    for (int i = 0; i < earlier; ++i)
        record(today - 90 * (earlier - i), own, slope * (1.0 + 0.03 * (earlier - i)), i + 1);
    const CharacteristicsRows rows = window.Characteristics().Rows();
    const std::filesystem::path dir = sandbox.Native(CertificatePath(own, window.Table())).parent_path();
    const int nextIn[] = {-12, 9, 25, 160, -40};
    for (unsigned n = 0; n < 5; ++n) {
        SensorIdentity other = own;
        other.SerialNumber = 1200 + 17 * n;
        const std::int64_t last = today + nextIn[n] - 365;
        for (int i = 0; i < 4; ++i)
            record(last - 365 * (3 - i), other, 1.05 - 0.04 * i - 0.01 * n, i + 1);
        CharacteristicsRows theirs = rows;
        theirs[19].newText = DotDateText(DateFromDayNumber(today + nextIn[n]));
        const auto stamp = DateFromDayNumber(last);
        SensorParams params;
        params.CalibrationCount = 3;
        std::ofstream(dir / (SensorFileNumber(other) + ".dat"), std::ios::binary) << CertificateBytes(
            theirs, "0050.000", other, params, {stamp.day, stamp.month, stamp.year, 10, 0, 0});
    }
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> records;
    for (const auto& [day, line] : lines)
        records.push_back(line);
    std::ofstream(sandbox.Native(locations::ReportLogPath), std::ios::binary) << testing::LogBytes(records);
}

// The guide as a browser shows its beginning.
bool SaveGuide(const QString& guideFile, const QString& file) {
    QTextBrowser browser;
    browser.resize(760, 900);
    browser.setSearchPaths({QFileInfo(guideFile).absolutePath()});
    browser.setSource(QUrl::fromLocalFile(guideFile));
    browser.show();
    return SaveTo(browser, file);
}

// Runs the event loop until `done` or the time is up; false on time-out.
template <typename Done>
bool WaitFor(Done done, int seconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000) return false;
        QTest::qWait(100);
    }
    return true;
}

// Two cylinders of the connected sensor's gas in the database: one to choose,
// one expired.
void AddCylinders(MainWindow& window) {
    std::string problem;
    const auto store = gvc::CalibrationStore::Open(window.Places().database, problem);
    if (!store) return;
    const auto& params = window.Sensor().NewParams;
    gvc::Cylinder c;
    c.gasCode = params.GasCode;
    c.gasText = window.Table().GasName(params.GasCode);
    c.unitText = window.Characteristics().UnitText();
    c.concentration = 49.8;
    c.lot = gvc::Cp1251FromUtf8("ПГС 4521");
    c.expiry = {2099, 6, 1};
    store->AddCylinder(c, problem);
    c.concentration = 51.2;
    c.lot = gvc::Cp1251FromUtf8("ПГС 3870");
    c.expiry = {2025, 3, 1};
    store->AddCylinder(c, problem);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setFont(ProgramFont());
    const QString guide = QStringLiteral(GVC_SOURCE_DIR "/Help/operator_guide.html");
    // --guide DIR: only the picture of the guide.
    if (argc > 2 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--guide"))
        return SaveGuide(guide, QString::fromLocal8Bit(argv[2]) + QStringLiteral("/operator_guide.png")) ? 0
                                                                                                         : 1;
    gReadmeDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    gGuideDir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : gReadmeDir;
    QDir().mkpath(gGuideDir);
    bool ok = true;
    {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        if (!sandbox.StartSimulator("default")) {
            std::cerr << "gvc-devsim: " << sandbox.Simulator().Error() << "\n";
            return 1;
        }
        MainWindow& window = sandbox.CreateAndShow();
        // The log before any sensor is connected.
        window.btLog->click();
        if (!WaitFor([&] { return window.tsLog->Loaded(); }, 30)) {
            std::cerr << "the log page did not load\n";
            return 1;
        }
        ok = Save(window, QStringLiteral("log_without_sensor.png")) && ok;
        // The first start's questions as a Windows PC shows them: the folder
        // it will make, and the choice of another when drive D: is missing.
        ok = SaveQuestion(
                 &window,
                 std::string(
                     "Отсутствует директория Данных и файл Отчета\r\nD:\\ВЕЛМОР_Датчики\r\nСоздать?"_cp),
                 QStringLiteral("start_question.png")) &&
             ok;
        ok = SaveQuestion(&window,
                          std::string("Директорию Данных D:\\ВЕЛМОР_Датчики создать нельзя: нет диска D:\r\n"
                                      "Выбрать другую папку для данных?"_cp),
                          QStringLiteral("no_drive_question.png")) &&
             ok;
        window.btConn->click();
        if (window.ConnectionState() != 0) {
            std::cerr << "no connection to the simulated sensor\n";
            return 1;
        }
        AddCylinders(window);
        WriteEarlierRecords(window, sandbox);
        window.pcGrad->setCurrentWidget(window.tsPar);
        ok = Save(window, QStringLiteral("main_window.png")) && ok;
        window.pcGrad->setCurrentWidget(window.tsCal);
        ok = Save(window, QStringLiteral("calibration_page.png")) && ok;
        // The focus ring on the teal connection panel, as Tab leaves it.
        window.activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&window);
        window.btConn->setFocus(Qt::TabFocusReason);
        ok = Save(window, QStringLiteral("keyboard_focus.png"), false) && ok;
        window.btStart->setFocus(Qt::TabFocusReason);

        ReferenceDialog& dialog = sandbox.Reference();
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClicks(dialog.Edit(), QStringLiteral("1.5"));
            ok = Save(dialog, QStringLiteral("reference_dialog.png")) && ok;
            dialog.reject();
        });
        window.stStdUDblClick();

        // A run: the chamber gets the gas each question asks for.
        using namespace gvc::literals;
        sandbox.Op().BeforeAnswer([&sandbox, &window, &ok](std::string_view question) {
            if (question.find("Нулевую"_cp) != std::string_view::npos) {
                ok = SaveQuestion(&window, question, QStringLiteral("zero_question.png")) && ok;
                sandbox.Simulator().Command("gas zero");
            }
            if (question.find("Эталонную"_cp) != std::string_view::npos) {
                ok = SaveQuestion(&window, question, QStringLiteral("reference_question.png")) && ok;
                sandbox.Simulator().Command("gas ref");
            }
        });
        sandbox.Op().QueueAnswer(true);
        sandbox.Op().QueueAnswer(true);
        window.pcGrad->setCurrentWidget(window.tsCal);
        window.btStart->click();
        const QString reference = Qs("Эталон"_cp);
        // Some twenty seconds into the reference stage both plots have a curve.
        if (!WaitFor([&] { return window.edStatusG->text() == reference; }, 240) ||
            !WaitFor([&] { return window.stTime->text() >= QStringLiteral("00:20"); }, 60)) {
            std::cerr << "the run did not reach its reference stage\n";
            return 1;
        }
        ok = Save(window, QStringLiteral("calibration_run.png")) && ok;
        if (!WaitFor([&] { return window.Run().LastSaveResult() != -2; }, 300) ||
            window.Run().LastSaveResult() != 0) {
            std::cerr << "the run did not end in a saved result\n";
            return 1;
        }
        ok = Save(window, QStringLiteral("calibration_result.png")) && ok;
        window.pcGrad->setCurrentWidget(window.tsPar);
        ok = Save(window, QStringLiteral("characteristics_after_run.png"), false) && ok;

        // The log page over the new record and the earlier ones.
        window.pcGrad->setCurrentWidget(window.tsLog);
        if (!WaitFor([&] { return window.tsLog->Loaded(); }, 30)) {
            std::cerr << "the log page did not load\n";
            return 1;
        }
        window.tsLog->tvLog->selectRow(0);
        ok = Save(window, QStringLiteral("log_page.png")) && ok;
        const QString pdf = gReadmeDir + QStringLiteral("/certificate.pdf");
        window.tsLog->openFile = [&](const QString& file) {
            QFile::remove(pdf);
            return QFile::copy(file, pdf);
        };
        window.tsLog->btPdf->click();
        // The cylinders' dialog of the log page.
        QTimer::singleShot(200, [&] {
            if (QWidget* cylinders = QApplication::activeModalWidget()) {
                ok = Save(*cylinders, QStringLiteral("cylinders_dialog.png")) && ok;
                cylinders->close();
            }
        });
        window.tsLog->btCylinders->click();
    }
    if (QFileInfo::exists(guide))
        ok = SaveGuide(guide, gReadmeDir + QStringLiteral("/operator_guide.png")) && ok;
    return ok ? 0 : 1;
}
