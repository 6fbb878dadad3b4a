// The operator's experience around the main window: "?" opens the help file or
// the guide, Tab reaches every control in reading order with a visible ring,
// Enter works on buttons and on the reference field, the result fields and
// list rows explain themselves, the reference dialog shows the value in use
// and cancels, and a double-click fits a plot to its curve.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <fstream>

#include "gui/calibration_widgets.h"
#include "gui/characteristics_view.h"
#include "gui/focus_ring.h"
#include "gui/gui_widgets.h"
#include "gui_fixture.h"
#include "ui/concentration_text.h"
#include "ui/reference_choice.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::gui::test;
using namespace gvc::literals;

namespace {

void Touch(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "<html></html>";
}

// A window connected to the simulated sensor, active, so that it has the focus.
MainWindow& ConnectedWindow(ProgramSandbox& sandbox) {
    MainWindow& window = sandbox.CreateAndShow();
    window.btConn->click();
    window.activateWindow();
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&window);
    return window;
}

// The names of the widgets Tab visits from `first` until it comes back.
QStringList TabTour(QWidget* first) {
    first->setFocus(Qt::TabFocusReason);
    QStringList names;
    QWidget* at = QApplication::focusWidget();
    for (int i = 0; i < 40 && at != nullptr; ++i) {
        names << at->objectName();
        QTest::keyClick(at, Qt::Key_Tab);
        at = QApplication::focusWidget();
        if (at == first) break;
    }
    return names;
}

}  // namespace

class KeyboardHelpTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void helpOpensTheHelpFileElseTheGuideElseSaysWhere() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        MainWindow& window = sandbox.CreateAndShow();
        QStringList opened;
        bool viewerPresent = true;
        window.SetHelpOpener([&](const QString& file) {
            opened << file;
            return viewerPresent;
        });
        const HelpFiles& help = window.Help();
        QCOMPARE(help.guide, sandbox.WorkDir() / "Help" / "operator_guide.html");

        window.bbHelp->click();
        QVERIFY(opened.isEmpty());
        QCOMPARE(sandbox.Messages().size(), 1);
        QCOMPARE(sandbox.Messages().back(),
                 U("Отсутствует файл Справки"_cp) + QStringLiteral("\r\n") +
                     QDir::toNativeSeparators(QString::fromStdU16String(help.guide.u16string())));

        Touch(help.guide);
        window.bbHelp->click();
        QCOMPARE(opened, QStringList{QString::fromStdU16String(help.guide.u16string())});
        Touch(help.helpFile);
        window.bbHelp->click();
        QCOMPARE(opened.back(), QString::fromStdU16String(help.helpFile.u16string()));

        viewerPresent = false;
        window.bbHelp->click();
        QCOMPARE(sandbox.Messages().size(), 2);
        QVERIFY(sandbox.Messages().back().startsWith(U("Нет программы для просмотра файла Справки\r\n"_cp)));
    }

    void tabVisitsEveryControlInReadingOrderWithARing() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = ConnectedWindow(sandbox);
        QCOMPARE(window.ConnectionState(), 0);
        const QString tabBar = window.pcGrad->tabBar()->objectName();

        window.pcGrad->setCurrentWidget(window.tsCal);
        QCOMPARE(TabTour(window.btConn),
                 (QStringList{"btConn", "btLog", "bbHelp", tabBar, "pnNul", "pnStd", "btStart", "udNulS",
                              "udNulP", "udStdS", "udStdP", "stStdU"}));
        window.pcGrad->setCurrentWidget(window.tsPar);
        QCOMPARE(TabTour(window.btConn), (QStringList{"btConn", "btLog", "bbHelp", tabBar, "lvParam"}));

        // The ring surrounds the focused control and shows on the teal group.
        window.btConn->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        auto* ring = dynamic_cast<FocusRing*>(window.findChild<QWidget*>(QStringLiteral("focusRing")));
        QVERIFY(ring != nullptr);
        QCOMPARE(ring->Target(), window.btConn);
        const QRect button(window.btConn->mapTo(&window, QPoint(0, 0)), window.btConn->size());
        QVERIFY(ring->geometry().contains(button));
        const QImage shot = window.grab().toImage();
        const QPoint corner = ring->geometry().topLeft();
        QCOMPARE(QColor(shot.pixel(corner)), QColor(Qt::black));
        QCOMPARE(QColor(shot.pixel(corner + QPoint(1, 1))), QColor(Qt::white));
        // Around it lies the teal group: black and white both stand out there.
        QCOMPARE(window.btConn->parentWidget(), window.gbConnect);
        QCOMPARE(BackgroundOf(window.gbConnect), colour::kTeal);
    }

    void enterClicksTheFocusedButton() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        MainWindow& window = sandbox.CreateAndShow();
        window.SetHelpOpener([](const QString&) { return true; });
        window.bbHelp->setFocus();
        QTest::keyClick(window.bbHelp, Qt::Key_Return);
        QCOMPARE(sandbox.Messages().size(), 1);
        QTest::keyClick(window.bbHelp, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(sandbox.Messages().size(), 2);
    }

    void referenceFieldOpensWithEnterAndF2AndTheDialogShowsTheValueInUse() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = ConnectedWindow(sandbox);
        QCOMPARE(window.ConnectionState(), 0);
        const SensorParams& params = window.Sensor().NewParams;
        ReferenceDialog& dialog = sandbox.Reference();
        const QString shownBefore = window.stStdU->text();

        // F2 opens it; a typed value is chosen.
        bool opened = false;
        QTimer::singleShot(0, &dialog, [&] {
            opened = dialog.isVisible();
            QCOMPARE(dialog.ValueInUse()->text(), shownBefore);
            QCOMPARE(BackgroundOf(dialog.ValueInUse()), colour::kYellow);
            QTest::keyClicks(dialog.Edit(), QStringLiteral("1.5"));
            dialog.TypedButton()->click();
        });
        QTest::keyClick(window.stStdU, Qt::Key_F2);
        QVERIFY(opened);
        QVERIFY(window.Reference().referenceManual);
        const QString typed = window.stStdU->text();
        QVERIFY(typed != shownBefore);

        // Enter opens it again, showing the typed value in the manual colour;
        // Cancel changes nothing.
        opened = false;
        QTimer::singleShot(0, &dialog, [&] {
            opened = dialog.isVisible();
            QCOMPARE(dialog.ValueInUse()->text(), typed);
            QCOMPARE(BackgroundOf(dialog.ValueInUse()), colour::kAqua);
            dialog.CancelButton()->click();
        });
        QTest::keyClick(window.stStdU, Qt::Key_Return);
        QVERIFY(opened);
        QCOMPARE(dialog.result(), 0);
        QVERIFY(window.Reference().referenceManual);
        QCOMPARE(window.stStdU->text(), typed);
        QCOMPARE(window.stStdU->text(),
                 U(FormatConcentration(window.Reference().referenceValue, params.MultiplierCode)));
    }

    void resultFieldsAndListRowsExplainEachOther() {
        ProgramSandbox sandbox;
        sandbox.CopyTable();
        sandbox.MakeDataTree();
        MainWindow& window = sandbox.CreateAndShow();
        QVERIFY(window.stBias->toolTip().contains(U("строка 09"_cp)));
        QVERIFY(window.stSlop->toolTip().contains(U("строка 10"_cp)));
        QVERIFY(window.stSlop->toolTip().contains(QStringLiteral("PGA")));
        for (int row = 0; row < 64; ++row) {
            const bool explained = row >= 22 && row <= 24;
            for (int column = 0; column < 3; ++column)
                QCOMPARE(!window.lvParam->item(row, column)->toolTip().isEmpty(), explained);
        }
        QVERIFY(window.lvParam->item(23, 2)->toolTip().contains(QStringLiteral("PGA")));
    }

    void doubleClickFitsAPlotToItsCurve() {
        ProgramSandbox sandbox;
        QVERIFY2(sandbox.PrepareWithSimulator("default"), sandbox.Simulator().Error().c_str());
        MainWindow& window = ConnectedWindow(sandbox);
        QCOMPARE(window.ConnectionState(), 0);
        window.pcGrad->setCurrentWidget(window.tsCal);
        // No samples yet: nothing to fit, the scale stays.
        QTest::mouseDClick(window.pnNul, Qt::LeftButton);
        QCOMPARE(window.udNulS->Position(), 5);

        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.Run().ZeroGraph().sampleCount >= 4, 15000);
        QTest::mouseDClick(window.pnNul, Qt::LeftButton);
        const TrendGraph& graph = window.Run().ZeroGraph();
        QCOMPARE(window.udNulS->Position(), 0);  // a flat zero: the finest step
        QCOMPARE(window.lgC0[0]->text(), QString::number(graph.baseValue));
        QCOMPARE(window.udNulP->Position(), graph.scrollIndex);
        for (int i = 0; i < graph.sampleCount; ++i) {
            QVERIFY(graph.adc[static_cast<std::size_t>(i)] >= graph.baseValue);
            QVERIFY(graph.adc[static_cast<std::size_t>(i)] <= graph.baseValue + 7 * graph.step);
        }
        // The up-downs go on from there.
        window.udNulS->UpButton()->click();
        QCOMPARE(window.udNulS->Position(), 1);

        sandbox.Op().QueueAnswer(true);
        window.btStart->click();
        QCOMPARE(window.btStart->text(), U("Старт"_cp));
    }
};

QTEST_MAIN(KeyboardHelpTest)
#include "keyboard_help_test.moc"
