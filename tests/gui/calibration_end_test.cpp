// The window around a run's start and end against the device simulator: the
// standard reference renewed on every connection, the typed reference's
// decimals, a reference without a slope refused at Старт, and an interrupted
// run that writes the sensor's own parameters back.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "gui/message_box_operator.h"
#include "gui_fixture.h"
#include "sensor/sensor_address_map.h"
#include "ui/concentration_text.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::gui::test;
using namespace gvc::literals;

namespace {

const QString kRestored =
    U("Результат Градуировки не сохранен:\r\nв Датчик записаны его параметры, бывшие до Градуировки"_cp);

// Reconnects the window to a fresh simulated sensor of the profile.
void ConnectProfile(ProgramSandbox& sandbox, MainWindow& window, const std::string& profile) {
    if (window.ConnectionState() == 0) window.btConn->click();
    sandbox.Simulator().Stop();
    QVERIFY2(sandbox.StartSimulator(profile), sandbox.Simulator().Error().c_str());
    window.btConn->click();
    QCOMPARE(window.ConnectionState(), 0);
}

// The typed value reaches the window through the dialog as the operator types it.
void TypeReference(ProgramSandbox& sandbox, MainWindow& window, const QString& text) {
    ReferenceDialog& dialog = sandbox.Reference();
    QTimer::singleShot(0, &dialog, [&dialog, text] {
        QTest::keyClicks(dialog.Edit(), text);
        dialog.TypedButton()->click();
        if (dialog.isVisible()) dialog.reject();
    });
    window.stStdUDblClick();
}

// With GVC_TEST_SHOTS set (a folder), the window and the last message box as
// the operator sees them, for a look under Xvfb.
void Shot(QWidget& widget, const QString& name) {
    const QString dir = qEnvironmentVariable("GVC_TEST_SHOTS");
    if (dir.isEmpty()) return;
    QCoreApplication::processEvents();
    widget.grab().save(dir + QStringLiteral("/") + name);
}
void ShotLastBox(ProgramSandbox& sandbox, MainWindow& window, const QString& name) {
    if (qEnvironmentVariable("GVC_TEST_SHOTS").isEmpty() || sandbox.Op().Messages().empty()) return;
    const auto& message = sandbox.Op().Messages().back();
    auto box = MakeOperatorBox(&window, message.kind, message.text, message.question);
    box->show();
    Shot(*box, name);
}

}  // namespace

class CalibrationEndTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void standardReferenceFollowsEveryConnection() {
        // Methane 01-00, then the same sensor made type 01-02: the same gas
        // number, another type with another standard value.
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        const std::int32_t first = window.Reference().referenceValue;
        QCOMPARE(first, window.Sensor().NewParams.RefConc);
        // A started and interrupted run makes the simulator keep its memory file.
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QCOMPARE(window.edStatusG->text(), U("ПРЕРВАНО !"_cp));
        window.btConn->click();
        sandbox.Simulator().Stop();
        const fs::path root = sandbox.WorkDir().parent_path();
        const fs::path memoryFile = root / "devsim-memory.bin";
        {
            std::fstream memory(memoryFile, std::ios::in | std::ios::out | std::ios::binary);
            QVERIFY(memory.good());
            // The serial word's high byte: gas number above, type number below.
            const auto at = static_cast<std::streamoff>(SensorAddressMap::kSerialWord.address + 3);
            memory.seekg(at);
            const int high = memory.get();
            memory.seekp(at);
            memory.put(static_cast<char>((high & 0xF0) | 0x02));
            QVERIFY(memory.good());
        }
        QVERIFY2(
            sandbox.Simulator().Start(GVC_DEVSIM, {"--registry", (root / "devsim.reg").string(), "--memory",
                                                   memoryFile.string(), "--profile", "default"}),
            sandbox.Simulator().Error().c_str());
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        QCOMPARE(window.Sensor().identity.TypeNumber, std::uint8_t{2});
        const SensorParams& params = window.Sensor().NewParams;
        QVERIFY(params.RefConc != first);
        QCOMPARE(window.Reference().referenceValue, params.RefConc);
        QCOMPARE(window.stStdU->text(), U(FormatConcentration(params.RefConc, params.MultiplierCode)));
        // A typed value survives the next connection.
        TypeReference(sandbox, window, QStringLiteral("1.5"));
        QVERIFY(window.Reference().referenceManual);
        const std::int32_t typed = window.Reference().referenceValue;
        ConnectProfile(sandbox, window, "oxygen");
        QVERIFY(window.Reference().referenceManual);
        QCOMPARE(window.Reference().referenceValue, typed);
    }

    void typedReferenceKeepsOnlyTheDecimalsOfTheCode() {
        // The table gvc-cli calibrate --reference is tested on: a value the
        // entry takes is taken as typed; a refused value is one the entry
        // cannot hold, so the dialog never gives it.
        std::ifstream in(std::string(GVC_SOURCE_DIR) + "/tests/typed_reference_cases.tsv");
        QVERIFY(in.good());
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.Create();
        ReferenceDialog& dialog = sandbox.Reference();
        std::string line;
        int rows = 0;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::string code, text, taken;
            std::getline(fields, code, '\t');
            std::getline(fields, text, '\t');
            std::getline(fields, taken, '\t');
            ++rows;
            dialog.Prepare(1000, static_cast<unsigned>(std::stoul(code)));
            dialog.Edit()->selectAll();
            QTest::keyClicks(dialog.Edit(), QString::fromStdString(text));
            dialog.btNewStdClick();
            const std::string what = "code " + code + " \"" + text + "\"";
            if (taken == "refused") {
                QVERIFY2(dialog.result() != kReferenceResultTyped || dialog.NewStd() != *ParseStdText(text),
                         what.c_str());
            } else {
                QVERIFY2(dialog.result() == kReferenceResultTyped, what.c_str());
                QVERIFY2(dialog.NewStd() == std::stoi(taken), what.c_str());
            }
        }
        QVERIFY(rows > 10);
    }

    void referenceWithoutSlopeIsRefusedAtStart() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        TypeReference(sandbox, window, QStringLiteral("0"));
        QCOMPARE(window.Reference().referenceValue, 0);
        const qsizetype shown = sandbox.Messages().size();
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QCOMPARE(window.btStart->text(), U("Старт"_cp));
        QCOMPARE(window.edStatusG->text(), U("ОТКАЗ !"_cp));
        QCOMPARE(sandbox.Messages().size(), shown + 1);  // the refusal, no question
        QCOMPARE(sandbox.Messages().last(),
                 U("Эталонная концентрация равна нулевой: наклон не может быть определен !"_cp));
        QVERIFY(!window.tmSample->isActive());
        Shot(window, QStringLiteral("refused_at_start.png"));
        ShotLastBox(sandbox, window, QStringLiteral("refused_at_start_box.png"));
    }

    void interruptedRunPutsTheSensorBack() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        const SensorParams before = window.Sensor().OldParams;
        QVERIFY(before.Slope != 0);
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.stTime->text() >= QStringLiteral("00:02"), 20'000);
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QCOMPARE(window.edStatusG->text(), U("ПРЕРВАНО !"_cp));
        QCOMPARE(sandbox.Messages().last(), kRestored);
        QVERIFY(!window.Run().RestorePending());
        Shot(window, QStringLiteral("interrupted.png"));
        ShotLastBox(sandbox, window, QStringLiteral("interrupted_box.png"));
        // A new connection reads the sensor's own calibration back.
        window.btConn->click();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        QCOMPARE(window.Sensor().OldParams.Slope, before.Slope);
        QCOMPARE(window.Sensor().OldParams.ZeroOffset, before.ZeroOffset);
        QCOMPARE(window.Sensor().OldParams.ZeroOffsetSign, before.ZeroOffsetSign);
        QCOMPARE(window.Sensor().OldParams.PgaGain, before.PgaGain);
    }
};

QTEST_MAIN(CalibrationEndTest)
#include "calibration_end_test.moc"
