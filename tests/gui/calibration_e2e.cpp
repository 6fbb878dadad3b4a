// Whole calibrations in the program's main window against gvc-devsim, in real
// time: connection, start, zero stage, reference stage, result, saving, and a
// reconnection that reads the new coefficients back from the sensor. One case
// per run of the program (its name is the first argument), each a few minutes
// long. In the first the program's message boxes are answered after a pause,
// as a person does, and the simulator's automatic chamber (the demo's) follows
// that pause; in the second the scripted operator sets the chamber to the gas
// each question asks for before answering Yes.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>

#include "calibration/calibration_run.h"
#include "gui/calibration_widgets.h"
#include "gui/characteristics_view.h"
#include "gui/gui_widgets.h"
#include "gui/message_box_operator.h"
#include "gui_fixture.h"
#include "records/certificate.h"
#include "records/report_log.h"
#include "sensor/sensor_encoding.h"
#include "store/calibration_store.h"
#include "store/store_locations.h"
#include "util/sha256.h"
#include "util/text_format.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::gui::test;
using namespace gvc::literals;

namespace {

// A stage lasts at most three minutes; a run has two, and saving follows.
constexpr int kRunTimeoutMs = 420'000;

const QString kZeroQuestion =
    U("  <----- Градуировка Нуля ----->\r\nУстановите в камере с Датчиком\r\n"
      "   Нулевую Концентрацию Газа\r\n         Нажмите кнопку Yes"_cp);
const QString kReferenceQuestion =
    U("<----- Градуировка Эталона ----->\r\n Установите в камере с Датчиком\r\n"
      "  Эталонную Концентрацию Газа\r\n          Нажмите кнопку Yes"_cp);
const QString kGainQuestion =
    U("    Диапазон меньше 1/2 шкалы АЦП\r\nУвеличить PGA и провести градуировку"_cp);
const QString kSaved = U("Результат Градуировки Датчика Сохранен"_cp);
const QString kReadBackDiffers = U("Параметры, прочитанные из Датчика, не совпадают с записанными"_cp);

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool HasPixel(const PlotImage& plot, const QColor& colour) {
    const QImage& image = plot.Image();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) return true;
        }
    }
    return false;
}

QColor Q(RgbColour c) {
    return {c.r, c.g, c.b};
}

// What the calibration of one sensor left behind.
struct SavedCalibration {
    std::int32_t slope = 0;
    std::int32_t offset = 0;
    std::uint8_t pga = 0;
    QString slopeRow;   // row 23, new column
    QString offsetRow;  // row 22, new column
    QString gainRow;    // row 20, new column
};

// A person at the program: reads each message box for a while, then presses
// Yes (or OK).
class Person : public QObject {
public:
    explicit Person(int readingMs) : readingMs_(readingMs) {
        timer_.setInterval(100);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Look(); });
        timer_.start();
    }
    const QStringList& BoxesAnswered() const { return answered_; }

private:
    void Look() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            current_ = nullptr;
            return;
        }
        if (box != current_) {
            current_ = box;
            reading_.start();
            return;
        }
        if (reading_.elapsed() < readingMs_) return;
        QAbstractButton* button = box->button(QMessageBox::Yes);
        if (button == nullptr) button = box->button(QMessageBox::Ok);
        if (button == nullptr) return;
        answered_ << box->text();
        current_ = nullptr;
        button->click();
    }

    QTimer timer_;
    QElapsedTimer reading_;
    QMessageBox* current_ = nullptr;
    int readingMs_;
    QStringList answered_;
};

// How the chamber gets its gas.
enum class Chamber { kSetByOperator, kAutomatic };

class CalibrationCase {
public:
    // Connects to a simulated sensor of `profile` (with the simulator's
    // `extraOptions`).
    CalibrationCase(const std::string& profile, Chamber chamber,
                    const std::vector<std::string>& extraOptions = {}) {
        sandbox_.CopyTable();
        sandbox_.MakeDataTree();
        std::vector<std::string> options{"--seed", "7"};
        options.insert(options.end(), extraOptions.begin(), extraOptions.end());
        if (chamber == Chamber::kAutomatic) options.emplace_back("--auto");
        if (!sandbox_.StartSimulator(profile, options)) QFAIL(sandbox_.Simulator().Error().c_str());
        if (chamber == Chamber::kSetByOperator) SetChamberBeforeAnswers();
        window_ = &sandbox_.CreateAndShow();
        window_->btConn->click();
        QCOMPARE(window_->ConnectionState(), 0);
        QObject::connect(window_->edStatusG, &QLineEdit::textChanged,
                         [this](const QString& text) { statuses_ << text; });
    }

    // The operator sets the chamber to the gas of each question.
    void SetChamberBeforeAnswers() {
        sandbox_.Op().BeforeAnswer([this](std::string_view question) {
            const QString text = U(question);
            if (text == kZeroQuestion)
                chamber_ << QString::fromStdString(sandbox_.Simulator().Command("gas zero"));
            if (text == kReferenceQuestion) {
                std::string gas = "gas ref";
                if (!referenceGases_.empty()) {
                    gas = referenceGases_.front();
                    referenceGases_.pop_front();
                }
                chamber_ << QString::fromStdString(sandbox_.Simulator().Command(gas));
            }
        });
    }

    MainWindow& Window() { return *window_; }
    // From now on messages appear in real boxes.
    void UseMessageBoxes() {
        boxes_.SetParent(window_);
        sandbox_.Op().ShowBoxes(&boxes_);
    }
    ProgramSandbox& Sandbox() { return sandbox_; }
    QStringList& Statuses() { return statuses_; }
    // The chamber commands for the next reference questions ("gas ref" when
    // none is left).
    void ReferenceGases(std::initializer_list<std::string> gases) { referenceGases_.assign(gases); }
    // The simulator's answers to the chamber commands.
    const QStringList& Chamber() const { return chamber_; }

    // The page as the reset after the connection leaves it.
    void CheckIdlePage() {
        MainWindow& w = *window_;
        QCOMPARE(w.btStart->text(), U("Старт"_cp));
        QVERIFY(!w.edStatusG->isVisible());
        QVERIFY(!w.stTime->isVisible());
        QCOMPARE(w.stDltZ->text(), U(FormatIntZero(w.Run().SpreadLimit(), 5)));
        QVERIFY(w.Run().SpreadLimit() > 0);
        QVERIFY(w.stNulA->text().isEmpty());
        QVERIFY(w.stSlop->text().isEmpty());
        for (LampShape* lamp : w.Lamps())
            QCOMPARE(lamp->Colour(), colour::kGrey);
        QVERIFY(!w.tmSample->isActive());
        QVERIFY(!w.tmDraw->isActive());
    }

    // Watches one run from the button to the reference stage: clock, current
    // values, curve and lamps of the zero stage, then the zero average.
    void WatchZeroStage() {
        MainWindow& w = *window_;
        QCOMPARE(w.btStart->text(), U("Стоп"_cp));
        QVERIFY(w.tmSample->isActive());
        QVERIFY(w.tmDraw->isActive());
        QCOMPARE(w.edStatusG->text(), U("Нуль"_cp));
        QVERIFY(w.edStatusG->isVisible());
        QCOMPARE(BackgroundOf(w.edStatusG), colour::kSkyBlue);
        // Once a second the clock moves and the lamps follow the sensor.
        QTRY_VERIFY_WITH_TIMEOUT(w.stTime->text() >= QStringLiteral("00:03"), 20'000);
        QVERIFY(w.stTime->isVisible());
        QCOMPARE(w.stCurK->text().size(), 5);
        QVERIFY(!w.stCurT->text().trimmed().isEmpty());
        QCOMPARE(w.shDev->Colour(), colour::kGreen);
        QCOMPARE(w.shSen->Colour(), colour::kGreen);
        QVERIFY(HasPixel(*w.pnNul, Q(kZeroCurveBlue)));
        QTRY_COMPARE_WITH_TIMEOUT(w.edStatusG->text(), U("Эталон"_cp), 200'000);
        QCOMPARE(BackgroundOf(w.edStatusG), colour::kMoneyGreen);
        QCOMPARE(w.stNulA->text().size(), 5);
        QTRY_VERIFY_WITH_TIMEOUT(HasPixel(*w.pnStd, Q(kReferenceCurvePurple)), 10'000);
    }

    // Waits for the end of the saving sequence and checks what the window shows.
    SavedCalibration WaitForSavedResult() {
        MainWindow& w = *window_;
        SavedCalibration saved;
        [&] { QTRY_VERIFY_WITH_TIMEOUT(w.Run().LastSaveResult() != -2, kRunTimeoutMs); }();
        qInfo().noquote() << "statuses:" << statuses_.join(QStringLiteral(" | "))
                          << "\nmessages:" << sandbox_.Messages().join(QStringLiteral(" | ")) << "\nzero"
                          << w.stNulA->text() << "reference" << w.stStdA->text() << "slope"
                          << w.stSlop->text() << "offset" << w.stBias->text();
        if (QTest::currentTestFailed()) return saved;
        [&] {
            QCOMPARE(w.Run().LastSaveResult(), 0);
            QCOMPARE(w.edStatusG->text(), QStringLiteral("OK !"));
            QCOMPARE(TextColourOf(w.edStatusG), colour::kGreen);
            QCOMPARE(w.btStart->text(), U("Старт"_cp));
            QVERIFY(!w.tmSample->isActive());
            QVERIFY(!w.tmDraw->isActive());
            for (LampShape* lamp : w.Lamps())
                QCOMPARE(lamp->Colour(), colour::kGrey);
            QVERIFY(!w.stSlop->text().isEmpty());
            QVERIFY(!w.stBias->text().isEmpty());
            QCOMPARE(w.stStdA->text().size(), 5);
            const ProgressWindow& progress = sandbox_.Progress();
            QVERIFY(!progress.isVisible());
            QCOMPARE(progress.Mode(), 2);
            QCOMPARE(progress.SaveLineText(SaveLine::kResult), U("Датчик успешно отградуирован"_cp));
            QCOMPARE(progress.SaveLineText(SaveLine::kReportLog), U("Отчет сохранен"_cp));
            QCOMPARE(progress.SaveLineText(SaveLine::kCertificate), U("Сертификат заполнен"_cp));
        }();
        const SensorParams& p = w.Sensor().NewParams;
        const auto& rows = w.Characteristics().Rows();
        saved.slope = p.Slope;
        saved.offset = p.ZeroOffset;
        saved.pga = p.PgaGain;
        saved.slopeRow = U(rows[23].newText);
        saved.offsetRow = U(rows[22].newText);
        saved.gainRow = U(rows[20].newText);
        // The list on the first page shows the new coefficients.
        [&] {
            QCOMPARE(w.lvParam->CellText(23, 2), saved.slopeRow);
            QCOMPARE(w.lvParam->CellText(22, 2), saved.offsetRow);
        }();
        return saved;
    }

    // The report log and the certificate verify and hold this calibration.
    void CheckRecords(const SavedCalibration& saved) {
        MainWindow& w = *window_;
        const ReportLogCheck log = VerifyReportLog(ReadBytes(sandbox_.Native(locations::ReportLogPath)));
        QVERIFY2(log.ok, Utf8FromCp1251(log.message).c_str());
        QCOMPARE(log.records.size(), std::size_t{1});
        QVERIFY(U(log.records.front()).contains(saved.slopeRow));
        const std::string certificate = CertificatePath(w.Sensor().identity, w.Table());
        const std::string bytes = ReadBytes(sandbox_.Native(certificate));
        QVERIFY(!bytes.empty());
        const CertificateCheck check = VerifyCertificate(bytes);
        QVERIFY2(check.ok, Utf8FromCp1251(check.message).c_str());
        QVERIFY(U(bytes).contains(saved.slopeRow));

        // The workstation's database holds the run as saved: the log's record
        // byte for byte, the certificate's hash, the write read back, as left.
        std::string message;
        const auto store = CalibrationStore::Open(sandbox_.Native(locations::DatabasePath), message);
        QVERIFY2(store != nullptr, Utf8FromCp1251(message).c_str());
        const auto runs = store->LoggedRuns();
        QVERIFY2(runs.ok, Utf8FromCp1251(runs.message).c_str());
        QCOMPARE(runs.value.size(), std::size_t{1});
        const RunRecord& row = runs.value.front().record;
        QCOMPARE(row.outcome, RunOutcome::kSaved);
        QCOMPARE(row.reportRecordLine, log.records.front());
        QCOMPARE(row.certificateSha256, Sha256Hex(bytes));
        QCOMPARE(row.saving.readBack, StepOutcome::kOk);
        QVERIFY(row.readBackDone);
        // The sensor keeps the slope in its own scale: the computed one comes
        // back through that scale's rounding.
        QCOMPARE(row.readBack.slope, SlopeFromStored(SlopeToStored(row.after.slope)));
        QCOMPARE(row.readBack.zeroOffset, row.after.zeroOffset);
        QCOMPARE(row.readBack.pgaGain, row.after.pgaGain);
        QVERIFY(row.asFound.leftReference.has_value());
        QVERIFY(!row.workstation.empty());
    }

    // A new connection reads the calibration back from the sensor's memory.
    void CheckSensorAfterReconnect(const SavedCalibration& saved) {
        MainWindow& w = *window_;
        w.btConn->click();
        QCOMPARE(w.ConnectionState(), 1);
        w.btConn->click();
        QCOMPARE(w.ConnectionState(), 0);
        const SensorParams& old = w.Sensor().OldParams;
        QCOMPARE(old.Slope, SlopeFromStored(SlopeToStored(saved.slope)));
        QCOMPARE(old.ZeroOffset, std::abs(saved.offset));
        QCOMPARE(old.ZeroOffsetSign, saved.offset < 0 ? std::int8_t{-1} : std::int8_t{1});
        QCOMPARE(old.PgaGain, saved.pga);
        QCOMPARE(w.lvParam->CellText(22, 1), saved.offsetRow);
        QCOMPARE(w.lvParam->CellText(20, 1), saved.gainRow);
        // A fresh page for the next sensor.
        CheckIdlePage();
    }

private:
    ProgramSandbox sandbox_;
    MainWindow* window_ = nullptr;
    QStringList statuses_;
    QStringList chamber_;
    std::deque<std::string> referenceGases_;
    MessageBoxOperator boxes_;
};

}  // namespace

class CalibrationEndToEnd : public QObject {
    Q_OBJECT

private:
    // One run against the automatic chamber, each box answered after
    // `answerMs` (0: by the scripted operator, at once).
    void RunWithAutomaticChamber(int answerMs) {
        CalibrationCase run("default", Chamber::kAutomatic);
        if (QTest::currentTestFailed()) return;
        std::unique_ptr<Person> person;
        if (answerMs > 0) {
            run.UseMessageBoxes();
            person = std::make_unique<Person>(answerMs);
        } else {
            for (int i = 0; i < 3; ++i)
                run.Sandbox().Op().QueueAnswer(true);
        }
        run.Window().btStart->click();
        run.WatchZeroStage();
        if (QTest::currentTestFailed()) return;
        const SavedCalibration saved = run.WaitForSavedResult();
        if (QTest::currentTestFailed()) return;
        QCOMPARE(run.Statuses(), (QStringList{U("Нуль"_cp), U("Эталон"_cp), QStringLiteral("OK !")}));
        // The profile's codes: zero gas 33068, reference gas 39768 (noise 3).
        const MainWindow& w = run.Window();
        QVERIFY2(std::abs(w.stNulA->text().toInt() - 33068) < 20, qPrintable(w.stNulA->text()));
        const TrendGraph& zero = w.Run().ZeroGraph();
        for (int i = 0; i < zero.sampleCount; ++i)
            QVERIFY2(zero.adc[static_cast<std::size_t>(i)] < 33068 + 50, "reference gas in the zero stage");
        const TrendGraph& reference = w.Run().ReferenceGraph();
        QVERIFY(reference.sampleCount >= 30);
        QVERIFY(std::abs(reference.adc[static_cast<std::size_t>(reference.sampleCount - 1)] - 39768) < 50);
    }

private Q_SLOTS:
    // The demo's sensor and chamber: the methane sensor's reference signal
    // spans enough of the ADC window for one run, "OK !", saved. A person
    // answers the boxes; the pause at the reference question is what switches
    // the automatic chamber to the reference gas.
    void calibratesSavesAndTheSensorKeepsIt() {
        CalibrationCase run("default", Chamber::kAutomatic);
        if (QTest::currentTestFailed()) return;
        run.CheckIdlePage();
        const std::uint8_t gain = run.Window().Sensor().NewParams.PgaGain;
        run.UseMessageBoxes();
        Person person(2500);
        // The click returns once the first box has been answered and the run started.
        run.Window().btStart->click();
        run.WatchZeroStage();
        if (QTest::currentTestFailed()) return;
        const SavedCalibration saved = run.WaitForSavedResult();
        if (QTest::currentTestFailed()) return;
        QCOMPARE(run.Sandbox().Messages(), (QStringList{kZeroQuestion, kReferenceQuestion, kSaved}));
        // The boxes show the texts with plain line feeds.
        QStringList boxTexts = run.Sandbox().Messages();
        boxTexts.replaceInStrings(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(person.BoxesAnswered(), boxTexts);
        QCOMPARE(run.Statuses(), (QStringList{U("Нуль"_cp), U("Эталон"_cp), QStringLiteral("OK !")}));
        QCOMPARE(saved.pga, gain);
        QVERIFY(saved.slope != 0);
        run.CheckRecords(saved);
        if (QTest::currentTestFailed()) return;
        run.CheckSensorAfterReconnect(saved);
    }

    // The automatic chamber follows the run whatever the operator's pace: an
    // answer at once, or after a fifth of a second, still gives a zero stage
    // of zero gas only and a reference stage of reference gas; so does one
    // after five seconds.
    void automaticChamberFollowsAnInstantAnswer() { RunWithAutomaticChamber(0); }
    void automaticChamberFollowsAQuickAnswer() { RunWithAutomaticChamber(200); }
    void automaticChamberFollowsASlowAnswer() { RunWithAutomaticChamber(5000); }

    // A weak reference signal (the chamber at half the reference gas) covers
    // less than half the ADC window: the gain question, "PGA + 1 !", the run
    // again; the simulator does not model the gain, so the repeated run gets
    // the whole reference gas, the doubled signal a raised gain gives: "OK !".
    void raisesTheGainAndRepeatsTheRun() {
        CalibrationCase run("default", Chamber::kSetByOperator);
        if (QTest::currentTestFailed()) return;
        run.ReferenceGases({"gas 0.5", "gas ref"});
        const std::uint8_t gain = run.Window().Sensor().NewParams.PgaGain;
        for (int i = 0; i < 5; ++i)
            run.Sandbox().Op().QueueAnswer(true);
        run.Window().btStart->click();
        run.WatchZeroStage();
        if (QTest::currentTestFailed()) return;
        const SavedCalibration saved = run.WaitForSavedResult();
        if (QTest::currentTestFailed()) return;
        QCOMPARE(run.Sandbox().Messages(), (QStringList{kZeroQuestion, kReferenceQuestion, kGainQuestion,
                                                        kZeroQuestion, kReferenceQuestion, kSaved}));
        QCOMPARE(run.Statuses(), (QStringList{U("Нуль"_cp), U("Эталон"_cp), QStringLiteral("PGA + 1 !"),
                                              U("Нуль"_cp), U("Эталон"_cp), QStringLiteral("OK !")}));
        QCOMPARE(run.Chamber(), QStringList(4, QStringLiteral("ok gas")));
        QVERIFY(saved.pga > gain);
        QCOMPARE(saved.gainRow, U(FormatPowerOfTwo(saved.pga)));
        run.CheckRecords(saved);
        if (QTest::currentTestFailed()) return;
        run.CheckSensorAfterReconnect(saved);
    }

    // A sensor whose flash acknowledges the write and keeps its old bytes:
    // the records are written, the read-back finds the difference, and the
    // saving fails with its message in a box the operator reads.
    void aSensorThatKeepsItsFlashFailsTheSave() {
        CalibrationCase run("default", Chamber::kSetByOperator, {"--flash", "keeps-old"});
        if (QTest::currentTestFailed()) return;
        run.UseMessageBoxes();
        Person person(1500);
        run.Window().btStart->click();
        run.WatchZeroStage();
        if (QTest::currentTestFailed()) return;
        MainWindow& w = run.Window();
        QTRY_VERIFY_WITH_TIMEOUT(w.Run().LastSaveResult() != -2, kRunTimeoutMs);
        QCOMPARE(w.Run().LastSaveResult(), -3);
        const QStringList messages = run.Sandbox().Messages();
        // The questions, the read-back's message, then the notice that the
        // sensor's own parameters went back in.
        QCOMPARE(messages.size(), 4);
        QVERIFY2(messages[2].startsWith(kReadBackDiffers + QStringLiteral("\r\n")), qPrintable(messages[2]));
        QVERIFY2(messages[3].contains(U("Результат Градуировки не сохранен"_cp)), qPrintable(messages[3]));
        QCOMPARE(person.BoxesAnswered().size(), 4);
        // The records came first and were written (the progress window has
        // since shown the write that put the sensor's own parameters back).
        QCOMPARE(w.Run().LastRecord().saving.reportLog, StepOutcome::kOk);
        QCOMPARE(w.Run().LastRecord().saving.certificate, StepOutcome::kOk);
        QCOMPARE(w.Run().LastRecord().saving.readBack, StepOutcome::kFailed);
        QCOMPARE(w.Run().LastRecord().outcome, RunOutcome::kSaveFailed);
    }
};

QTEST_MAIN(CalibrationEndToEnd)
#include "calibration_e2e.moc"
