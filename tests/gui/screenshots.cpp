// Takes the README's screenshots: the main window on its characteristics page
// after a connection to the simulated sensor, its calibration page, the
// reference dialog with a typed value, a calibration run in its reference
// stage, and the finished, saved result (the run takes about two minutes; the
// chamber is set to each gas before its question is answered). Run under Xvfb:
//   xvfb-run -a build/tests/gui/gvc_gui_screenshots docs
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <iostream>

#include "gui/gui_widgets.h"
#include "gui_fixture.h"

using namespace gvc::gui;
using namespace gvc::gui::test;

namespace {

bool Save(QWidget& widget, const QString& file) {
    QCoreApplication::processEvents();
    widget.repaint();
    const bool saved = widget.grab().save(file);
    std::cout << (saved ? "wrote " : "cannot write ") << file.toStdString() << "\n";
    return saved;
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setFont(ProgramFont());
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
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
        window.btConn->click();
        if (window.ConnectionState() != 0) {
            std::cerr << "no connection to the simulated sensor\n";
            return 1;
        }
        window.pcGrad->setCurrentWidget(window.tsPar);
        ok = Save(window, out + QStringLiteral("/main_window.png")) && ok;
        window.pcGrad->setCurrentWidget(window.tsCal);
        ok = Save(window, out + QStringLiteral("/calibration_page.png")) && ok;

        ReferenceDialog& dialog = sandbox.Reference();
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClicks(dialog.Edit(), QStringLiteral("1.5"));
            ok = Save(dialog, out + QStringLiteral("/reference_dialog.png")) && ok;
            dialog.reject();
        });
        window.stStdUDblClick();

        // A run: the chamber gets the gas each question asks for.
        using namespace gvc::literals;
        sandbox.Op().BeforeAnswer([&sandbox](std::string_view question) {
            if (question.find("Нулевую"_cp) != std::string_view::npos)
                sandbox.Simulator().Command("gas zero");
            if (question.find("Эталонную"_cp) != std::string_view::npos)
                sandbox.Simulator().Command("gas ref");
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
        ok = Save(window, out + QStringLiteral("/calibration_run.png")) && ok;
        if (!WaitFor([&] { return window.Run().LastSaveResult() != -2; }, 300) ||
            window.Run().LastSaveResult() != 0) {
            std::cerr << "the run did not end in a saved result\n";
            return 1;
        }
        ok = Save(window, out + QStringLiteral("/calibration_result.png")) && ok;
    }
    return ok ? 0 : 1;
}
