// The program's main window against the file system and the device simulator:
// every start-up path, the second-instance refusal, connection, refusal,
// broken link, disconnection, the close refusal during a run and its
// interruption, a sensor lost during a run, the plots' scale controls, and the
// reference concentration dialog's results.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <fstream>

#include "app/instance_lock.h"
#include "gui/calibration_widgets.h"
#include "gui/characteristics_view.h"
#include "gui/gui_widgets.h"
#include "gui_fixture.h"
#include "records/sensor_number.h"
#include "sensor/sensor_messages.h"
#include "ui/concentration_text.h"
#include "util/native_path.h"
#include "util/text_format.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::gui::test;
using namespace gvc::literals;

namespace {

const QString kNoFurtherWork = U(" - дальнейшая работа НЕВОЗМОЖНА !"_cp);

// Runs the event loop until the window has handled its close request.
void SettleClose(MainWindow& window) {
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 5000);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void missingTableFileStopsWithoutQuestions() {
        ProgramSandbox sandbox;
        MainWindow& window = sandbox.CreateAndShow();
        QVERIFY(!window.StartupOk());
        QCOMPARE(sandbox.Messages(),
                 QStringList{U("Отсутствует файл таблицы Типов Датчиков"_cp) + kNoFurtherWork});
        QVERIFY(!sandbox.Op().Messages().front().question);
        SettleClose(window);
        QVERIFY(!std::filesystem::exists(sandbox.Native(locations::DataDir)));
    }

    void damagedTableFileStopsWithTheReadersMessage() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        {
            // One changed character: the checksum no longer matches.
            std::fstream file(sandbox.TableFile(), std::ios::in | std::ios::out | std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            const auto at = bytes.find("CO");
            QVERIFY(at != std::string::npos);
            file.seekp(static_cast<std::streamoff>(at));
            file.put('X');
        }
        ErrorText expected;
        SensorTypeTable table;
        QVERIFY(!LoadSensorTypeTable(sandbox.TableFile(), table, expected));
        MainWindow& window = sandbox.CreateAndShow();
        QVERIFY(!window.StartupOk());
        QCOMPARE(sandbox.Messages(), QStringList{U(expected.Text()) + kNoFurtherWork});
        SettleClose(window);
    }

    void missingDataDirectoryAnsweredYesCreatesTreeAndLog() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.Op().QueueAnswer(true);
        MainWindow& window = sandbox.CreateAndShow();
        QVERIFY(window.StartupOk());
        // One question only: the new tree comes with a new report log.
        // The question names the folder it will make, where it really is.
        QCOMPARE(sandbox.Messages(),
                 QStringList{U(std::string("Отсутствует директория Данных и файл Отчета\r\n"_cp) +
                               ShownPath(locations::DataDir) + "\r\n" + std::string("Создать?"_cp))});
        QVERIFY(sandbox.Op().Messages().front().question);
        QVERIFY(std::filesystem::is_regular_file(sandbox.Native(locations::ReportLogPath)));
        QVERIFY(std::filesystem::is_directory(sandbox.Native(locations::SensorsDir)));
        QVERIFY(window.isVisible());
        QCOMPARE(window.windowTitle(), MainWindow::Caption() + QStringLiteral(" (v_1.0.0.0)"));
        QCOMPARE(window.stConn->text(), U("отсоединен"_cp));
        QVERIFY(!window.pcGrad->isVisible());
    }

    void missingDataDirectoryAnsweredNoStops() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.Op().QueueAnswer(false);
        MainWindow& window = sandbox.CreateAndShow();
        QVERIFY(!window.StartupOk());
        const std::string missing = std::string("Отсутствует директория Данных и файл Отчета\r\n"_cp) +
                                    ShownPath(locations::DataDir) + "\r\n";
        QCOMPARE(sandbox.Messages(),
                 (QStringList{U(missing + std::string("Создать?"_cp)), U(missing) + kNoFurtherWork}));
        SettleClose(window);
        QVERIFY(!std::filesystem::exists(sandbox.Native(locations::DataDir)));
    }

    void missingReportLogAnsweredYesOrNo() {
        for (const bool yes : {true, false}) {
            ProgramSandbox sandbox;
            sandbox.CopyTable();
            sandbox.MakeDataTree();
            std::filesystem::remove(sandbox.Native(locations::ReportLogPath));
            sandbox.Op().QueueAnswer(yes);
            MainWindow& window = sandbox.CreateAndShow();
            QCOMPARE(window.StartupOk(), yes);
            QStringList expected{U("Отсутствует файл Отчета\r\nСоздать?"_cp)};
            if (!yes) expected << U("Отсутствует файл Отчета"_cp) + kNoFurtherWork;
            QCOMPARE(sandbox.Messages(), expected);
            QCOMPARE(std::filesystem::is_regular_file(sandbox.Native(locations::ReportLogPath)), yes);
            if (yes) {
                QVERIFY(window.isVisible());
            } else {
                SettleClose(window);
            }
        }
    }

    void secondInstanceIsRefusedBeforeAnyQuestion() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        const auto lockFile = sandbox.WorkDir() / "G_Varnest.lock";
        auto first = std::make_unique<InstanceLock>(lockFile);
        QVERIFY(first->Held());
        {
            InstanceLock second(lockFile);
            QVERIFY(!second.Held());
            // The data tree is missing, yet the refused instance asks nothing
            // about it and creates nothing: the refusal is its only box.
            MainWindow& window = sandbox.CreateAndShow(!second.Held());
            QCOMPARE(sandbox.Messages(), QStringList{U("Повторный запуск программы ЗАПРЕЩЕН!"_cp)});
            QVERIFY(sandbox.DriveDIsEmpty());
            SettleClose(window);
        }
        // The running instance keeps the lock; it goes when that instance ends.
        QVERIFY(!InstanceLock(lockFile).Held());
        first.reset();
        QVERIFY(InstanceLock(lockFile).Held());
    }

    void connectsShowsTheSensorAndDisconnects() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        QVERIFY(window.StartupOk());
        QVERIFY(sandbox.Messages().isEmpty());

        window.btConn->click();
        QCOMPARE(sandbox.Messages(), QStringList{});
        QCOMPARE(window.ConnectionState(), 0);
        QCOMPARE(sandbox.Progress().Result(), 0);
        QCOMPARE(sandbox.Progress().findChild<QLabel*>("stDevRW")->text(), QStringLiteral("FLASH-C"));
        QVERIFY(!sandbox.Progress().isVisible());

        const SensorState& sensor = window.Sensor();
        QCOMPARE(window.stConn->text(), U("подсоединен"_cp));
        QCOMPARE(TextColourOf(window.stConn), colour::kGreen);
        QCOMPARE(window.btConn->text(), U("Отсоединить"_cp));
        QCOMPARE(window.stNum->text(), U(SensorNumberText(sensor.identity)));
        QCOMPARE(window.stNum->text(), QStringLiteral("01-00.00.000.291"));
        QCOMPARE(window.stType->text(), U("очередная"_cp));
        QCOMPARE(window.stSen->text(), QStringLiteral("01-00"));
        QCOMPARE(window.stGaz->text(), U(window.Table().GasName(1)));
        std::string firmware = FormatIntZero(static_cast<std::int32_t>(sensor.OldParams.FirmwareVersion), 5);
        firmware.insert(2, ".");
        QCOMPARE(window.stIDPrg->text(),
                 QStringLiteral("01.") + U(FormatIntZero(sensor.NewParams.KindCode, 2)) + "." + U(firmware));
        QVERIFY(window.stIDPrg->isVisible());
        QVERIFY(window.stLIDPrg->isVisible());
        QVERIFY(window.pcGrad->isVisible());
        QCOMPARE(window.pcGrad->currentWidget(), window.tsCal);

        // The list shows the model's rows with the model's colours.
        const CharacteristicsRows& rows = window.Characteristics().Rows();
        for (int row = 0; row < kCharacteristicsRowCount; ++row) {
            const auto& r = rows[static_cast<std::size_t>(row)];
            QCOMPARE(window.lvParam->CellText(row, 0), U(r.caption));
            QCOMPARE(window.lvParam->CellText(row, 1), U(r.oldText));
            QCOMPARE(window.lvParam->CellText(row, 2), U(r.newText));
            for (int column = 0; column < 3; ++column) {
                const RgbColour c =
                    CharacteristicsList::CellColour(row, static_cast<CharacteristicsColumn>(column));
                QCOMPARE(window.lvParam->CellBackground(row, column), QColor(c.r, c.g, c.b));
            }
        }
        QCOMPARE(window.lvParam->CellText(31, 2), QStringLiteral("0010"));
        QCOMPARE(window.lvParam->CellBackground(35, 0), QColor(255, 0, 255));
        QCOMPARE(window.lvParam->CellBackground(35, 1), QColor(192, 192, 192));

        // The standard reference value of the sensor's type, in yellow.
        QCOMPARE(window.gbStd->title(), U(" К<эталон-STD> "_cp));
        QCOMPARE(BackgroundOf(window.stStdU), colour::kYellow);
        QCOMPARE(window.stStdU->text(),
                 U(FormatConcentration(sensor.NewParams.RefConc, sensor.NewParams.MultiplierCode)));

        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 1);
        QCOMPARE(window.stConn->text(), U("отсоединен"_cp));
        QCOMPARE(TextColourOf(window.stConn), colour::kGrey);
        QCOMPARE(window.btConn->text(), U("Подсоединить"_cp));
        QVERIFY(window.stNum->text().isEmpty());
        QVERIFY(window.stGaz->text().isEmpty());
        QVERIFY(window.stSen->text().isEmpty());
        QVERIFY(window.stType->text().isEmpty());
        QVERIFY(!window.pcGrad->isVisible());
        QVERIFY(!window.stIDPrg->isVisible());
        QVERIFY(sandbox.Messages().isEmpty());
    }

    void blankSensorConnectedFirstGetsTheStandardReference() {
        // An erased sensor has gas number 0: as the first sensor of the run it
        // still sets the reference to its type's standard value.
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("erased"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        QCOMPARE(window.Sensor().identity.GasNumber, std::uint8_t{0});
        const SensorParams& params = window.Sensor().NewParams;
        QVERIFY(params.RefConc != 0);
        QCOMPARE(window.Reference().referenceValue, params.RefConc);
        QVERIFY(!window.Reference().referenceManual);
        QCOMPARE(window.stStdU->text(), U(FormatConcentration(params.RefConc, params.MultiplierCode)));
    }

    void refusedSensorShowsDisconnected() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("type-beyond"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 1);
        QCOMPARE(sandbox.Messages().size(), 1);
        QVERIFY(sandbox.Messages().front().startsWith(U(sensor_text::kWrongTypeNumber)));
        QCOMPARE(window.stConn->text(), U("отсоединен"_cp));
        QVERIFY(!window.pcGrad->isVisible());
        QCOMPARE(window.pcGrad->currentWidget(), window.tsPar);
    }

    void missingDeviceShowsBrokenAndRetries() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), -1);
        QCOMPARE(sandbox.Messages().size(), 1);
        QCOMPARE(window.stConn->text(), U("обрыв"_cp));
        QCOMPARE(TextColourOf(window.stConn), colour::kRed);
        QCOMPARE(window.btConn->text(), U("Подсоединить"_cp));

        // Pressing the button again in the broken state tries again.
        QVERIFY2(sandbox.StartSimulator("oxygen"), sandbox.Simulator().Error().c_str());
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        QCOMPARE(window.stSen->text(), QStringLiteral("05-00"));
    }

    void runRefusesCloseAndDisconnectUntilInterrupted() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QCOMPARE(window.btStart->text(), U("Стоп"_cp));
        QVERIFY(window.tmSample->isActive());
        QVERIFY(window.tmDraw->isActive());
        QCOMPARE(window.edStatusG->text(), U("Нуль"_cp));
        QVERIFY(window.edStatusG->isVisible());
        QCOMPARE(window.stTime->text(), QStringLiteral("00:00"));
        QVERIFY(window.stTime->isVisible());
        // A run starts with every lamp in its normal colour.
        QCOMPARE(window.shDev->Colour(), colour::kGreen);
        QCOMPARE(window.shA1->Colour(), colour::kYellow);
        QCOMPARE(window.shLimA->Colour(), colour::kSilver);

        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        // The run goes on: samples arrive and are shown.
        QTRY_VERIFY_WITH_TIMEOUT(!window.stCurK->text().isEmpty(), 10000);

        // Interruption answered No leaves the run alone; Yes ends it.
        sandbox.Op().QueueAnswer(false);
        window.btStart->click();
        QCOMPARE(window.btStart->text(), U("Стоп"_cp));
        QVERIFY(window.tmSample->isActive());
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QCOMPARE(window.btStart->text(), U("Старт"_cp));
        QCOMPARE(window.edStatusG->text(), U("ПРЕРВАНО !"_cp));
        QCOMPARE(TextColourOf(window.edStatusG), colour::kRed);
        QVERIFY(!window.tmSample->isActive());
        QVERIFY(!window.tmDraw->isActive());
        for (LampShape* lamp : window.Lamps())
            QCOMPARE(lamp->Colour(), colour::kGrey);
        const QString interrupt = U("Идет Градуировка - Вы хотите ее Прервать!"_cp);
        QCOMPARE(sandbox.Messages().mid(1),
                 (QStringList{U("Идет Градуировка - Выключение Запрещено!"_cp),
                              U("Идет Градуировка - Отсоединение Запрещено!"_cp), interrupt, interrupt,
                              U("Результат Градуировки не сохранен:\r\nв Датчик записаны его параметры, "
                                "бывшие до Градуировки"_cp)}));
        QVERIFY(window.close());
    }

    void lostSensorEndsTheRunAndShowsTheBrokenLink() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window.stCurK->text().isEmpty(), 10000);
        const std::size_t before = sandbox.Op().Messages().size();
        QVERIFY(sandbox.Simulator().Command("fault silent 0").rfind("ok", 0) == 0);
        QTRY_COMPARE_WITH_TIMEOUT(window.ConnectionState(), -1, 10000);
        // The exchange said why; the write that would put the sensor back
        // failed too, and the operator is told the sensor must not be used;
        // the run ended and the display shows the broken link.
        QCOMPARE(sandbox.Op().Messages().size(), before + 3);
        QCOMPARE(sandbox.Messages().last(),
                 U("Параметры Датчика, бывшие до Градуировки, НЕ восстановлены!\r\n"
                   "Датчик не имеет действующей градуировки - использовать его НЕЛЬЗЯ!"_cp));
        QCOMPARE(window.edStatusG->text(), U("Ошибка-Датчика!"_cp));
        QCOMPARE(TextColourOf(window.edStatusG), colour::kRed);
        QCOMPARE(BackgroundOf(window.edStatusG), colour::kCream);
        QCOMPARE(window.btStart->text(), U("Старт"_cp));
        QVERIFY(!window.tmSample->isActive());
        QVERIFY(!window.tmDraw->isActive());
        QCOMPARE(window.stConn->text(), U("обрыв"_cp));
        QVERIFY(!window.pcGrad->isVisible());
        QVERIFY(window.close());
    }

    void refusedFirstQuestionShowsNothing() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        window.btStart->click();  // the scripted operator answers No
        QCOMPARE(sandbox.Messages().size(), 1);
        QCOMPARE(window.btStart->text(), U("Старт"_cp));
        QCOMPARE(window.edStatusG->text(), U("ОТКАЗ !"_cp));
        QVERIFY(!window.edStatusG->isVisible());
        QVERIFY(!window.tmSample->isActive());
        QVERIFY(!window.tmDraw->isActive());
    }

    void scaleUpDownsActOnlyWhileConnected() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        // As created: step 5000 for both, the reference plot on the upper band.
        QCOMPARE(window.udNulS->Position(), 5);
        QCOMPARE(window.udNulP->Maximum(), 7);
        QCOMPARE(window.lgC0[0]->text(), QStringLiteral("0"));
        QCOMPARE(window.lgC0[7]->text(), QStringLiteral("35000"));
        QCOMPARE(window.udStdP->Position(), 7);
        QCOMPARE(window.lgC1[0]->text(), QStringLiteral("35000"));
        QCOMPARE(window.lgC1[7]->text(), QStringLiteral("70000"));

        // Not connected: nothing moves.
        window.udNulS->DownButton()->click();
        window.udNulP->UpButton()->click();
        QCOMPARE(window.udNulS->Position(), 5);
        QCOMPARE(window.udNulP->Position(), 0);
        QCOMPARE(window.lgC0[7]->text(), QStringLiteral("35000"));

        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        // A finer step, then the band up by the scroll's increment of 3.
        window.udNulS->DownButton()->click();
        QCOMPARE(window.udNulS->Position(), 4);
        QCOMPARE(window.lgC0[1]->text(), QStringLiteral("2500"));
        QCOMPARE(window.lgC0[7]->text(), QStringLiteral("17500"));
        QCOMPARE(window.udNulP->Maximum(), 65535 / 2500 + 1 - 7);
        window.udNulP->UpButton()->click();
        QCOMPARE(window.udNulP->Position(), 3);
        QCOMPARE(window.lgC0[0]->text(), QStringLiteral("7500"));
        // The plot was cleared and its grid drawn again.
        QCOMPARE(window.pnNul->Image().pixelColor(1, 1), QColor(Qt::white));
        QCOMPARE(window.pnNul->Image().pixelColor(0, 100), colour::kGrey);
        QCOMPARE(window.pnNul->Image().pixelColor(57, 100), colour::kTeal);

        // At the top of the band already: the request is clamped.
        window.udStdP->UpButton()->click();
        QCOMPARE(window.udStdP->Position(), 7);
        QCOMPARE(window.lgC1[0]->text(), QStringLiteral("35000"));
        // The coarsest step fits the whole range in one band.
        window.udStdS->UpButton()->click();
        QCOMPARE(window.udStdS->Position(), 6);
        QCOMPARE(window.udStdP->Maximum(), 0);
        QCOMPARE(window.udStdP->Position(), 0);
        QCOMPARE(window.lgC1[0]->text(), QStringLiteral("0"));
        QCOMPARE(window.lgC1[7]->text(), QStringLiteral("70000"));
        window.udStdS->UpButton()->click();
        QCOMPARE(window.udStdS->Position(), 6);

        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 1);
        window.udNulS->UpButton()->click();
        QCOMPARE(window.udNulS->Position(), 4);
    }

    void helpButtonWithoutHelpFileSaysSo() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        MainWindow& window = sandbox.CreateAndShow();
        window.bbHelp->click();
        QCOMPARE(sandbox.Messages().size(), 1);
        QVERIFY(sandbox.Messages().front().startsWith(U("Отсутствует файл Справки\r\n"_cp)));
        // The guide is named, with the system's separators only.
        const QString text = sandbox.Messages().front();
        QVERIFY2(text.endsWith(QDir::toNativeSeparators(QStringLiteral("/Help/operator_guide.html"))),
                 qPrintable(text));
        const QChar foreign = QDir::separator() == QLatin1Char('/') ? QLatin1Char('\\') : QLatin1Char('/');
        QVERIFY2(!text.contains(foreign), qPrintable(text));
    }

    void referenceDialogResultsReachTheMainWindow() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        const SensorParams& params = window.Sensor().NewParams;
        const QString standardText = U(FormatConcentration(params.RefConc, params.MultiplierCode));
        ReferenceDialog& dialog = sandbox.Reference();

        // Typed value: result 6, manual, aqua.
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClicks(dialog.Edit(), QStringLiteral("1.5"));
            dialog.TypedButton()->click();
        });
        QTest::mouseDClick(window.stStdU, Qt::LeftButton);
        QCOMPARE(dialog.result(), kReferenceResultTyped);
        QVERIFY(window.Reference().referenceManual);
        QCOMPARE(window.gbStd->title(), U(" К<эталон-Руч.> "_cp));
        QCOMPARE(BackgroundOf(window.stStdU), colour::kAqua);
        const std::int32_t typed = window.Reference().referenceValue;
        QCOMPARE(window.stStdU->text(), U(FormatConcentration(typed, params.MultiplierCode)));

        // Reconnecting a sensor of the same gas keeps the typed value.
        window.btConn->click();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        QVERIFY(window.Reference().referenceManual);
        QCOMPARE(window.Reference().referenceValue, typed);

        // Closed with the close box: nothing changes.
        QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
        window.stStdUDblClick();
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(window.gbStd->title(), U(" К<эталон-Руч.> "_cp));
        QCOMPARE(window.Reference().referenceValue, typed);

        // The standard value: result 7, yellow, whatever the entry holds.
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClicks(dialog.Edit(), QStringLiteral("7"));
            dialog.StandardButton()->click();
        });
        window.stStdUDblClick();
        QCOMPARE(dialog.result(), kReferenceResultStandard);
        QVERIFY(!window.Reference().referenceManual);
        QCOMPARE(window.gbStd->title(), U(" К<эталон-STD> "_cp));
        QCOMPARE(BackgroundOf(window.stStdU), colour::kYellow);
        QCOMPARE(window.stStdU->text(), standardText);
        QVERIFY(sandbox.Messages().isEmpty());
    }

    void typedReferenceAboveTheRangeIsConfirmedFirst() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        const SensorParams& params = window.Sensor().NewParams;
        QVERIFY(params.RangeTop > 0 && params.RangeTop < 999);
        const int above = params.RangeTop + 1;
        ReferenceDialog& dialog = sandbox.Reference();
        const auto typeAndAccept = [&](bool answer, bool& openAfter) {
            sandbox.Op().QueueAnswer(answer);
            QTimer::singleShot(0, &dialog, [&] {
                QTest::keyClicks(dialog.Edit(), QString::number(above));
                dialog.TypedButton()->click();
                openAfter = dialog.isVisible();
                if (openAfter) dialog.reject();
            });
            window.stStdUDblClick();
        };

        // No: the dialog stays at the entry; closed then, nothing changes.
        bool open = false;
        typeAndAccept(false, open);
        QVERIFY(open);
        QCOMPARE(dialog.result(), kReferenceResultNone);
        QVERIFY(!window.Reference().referenceManual);
        QCOMPARE(sandbox.Messages().size(), 1);
        const QString question = sandbox.Messages().front();
        QVERIFY2(question.contains(U("(от 0 до "_cp) + QString::number(params.RangeTop)),
                 qPrintable(question));
        QVERIFY(question.endsWith(U("Установить это значение?"_cp)));

        // Yes: taken as typed.
        typeAndAccept(true, open);
        QVERIFY(!open);
        QCOMPARE(dialog.result(), kReferenceResultTyped);
        QVERIFY(window.Reference().referenceManual);
        QCOMPARE(window.Reference().referenceValue, above * 1000);
        QCOMPARE(sandbox.Messages().size(), 2);
    }

    // A typed value stays over a reconnection; Старт checks it against the
    // sensor now connected as the dialog would, and does not start with a
    // value typed for another unit.
    void aKeptTypedReferenceIsCheckedAtStart() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = sandbox.CreateAndShow();
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        ReferenceDialog& dialog = sandbox.Reference();
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClicks(dialog.Edit(), QStringLiteral("50"));
            dialog.TypedButton()->click();
        });
        window.stStdUDblClick();
        QVERIFY(window.Reference().referenceManual);

        // The methane sensor (% НКПР) is replaced by an oxygen one (% об.д.).
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 1);
        sandbox.Simulator().Stop();
        QVERIFY2(sandbox.StartSimulator("oxygen"), sandbox.Simulator().Error().c_str());
        window.btConn->click();
        QCOMPARE(window.ConnectionState(), 0);
        QCOMPARE(window.stSen->text(), QStringLiteral("05-00"));
        QVERIFY(window.Reference().referenceManual);
        QCOMPARE(window.Reference().referenceValue, 50000);

        const qsizetype before = sandbox.Messages().size();
        sandbox.Op().QueueAnswer(true);  // a zero question, were it asked
        window.btStart->click();
        QVERIFY(!window.Run().Running());
        QCOMPARE(window.btStart->text(), U("Старт"_cp));
        QVERIFY(!window.tmSample->isActive());
        QCOMPARE(sandbox.Messages().size(), before + 1);
        QVERIFY2(sandbox.Messages().last().contains(U("у этого Датчика единица % об.д."_cp)),
                 qPrintable(sandbox.Messages().last()));
        QVERIFY(!sandbox.Op().Messages().back().question);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
