// Takes the README's screenshots: the main window on its characteristics page
// after a connection to the simulated sensor, its calibration page, and the
// reference dialog with a typed value. Run under Xvfb:
//   xvfb-run -a build/tests/gui/gvc_gui_screenshots docs
#include <QApplication>
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
    const bool saved = widget.grab().save(file);
    std::cout << (saved ? "wrote " : "cannot write ") << file.toStdString() << "\n";
    return saved;
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
    }
    return ok ? 0 : 1;
}
