// G_Varnest: program entry. Creates the main window, then the progress window
// and the reference dialog (all three live until the program ends), runs the
// start-up checks and the message loop.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>
#include <exception>
#include <filesystem>

#include "app/instance_lock.h"
#include "app/machine_settings.h"
#include "app/startup.h"
#include "device/system_device.h"
#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "gui/main_window.h"
#include "gui/message_box_operator.h"
#include "gui/progress_window.h"
#include "gui/reference_dialog.h"
#include "util/native_path.h"

using namespace gvc::literals;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setFont(gvc::gui::ProgramFont());
    QIcon icon(QStringLiteral(":/icons/g_varnest.png"));
    icon.addFile(QStringLiteral(":/icons/g_varnest-48.png"));
    app.setWindowIcon(icon);
    try {
        gvc::ErrorText error;
        gvc::gui::MessageBoxOperator op;
        // The PC's data folder, before anything looks for the data; a folder
        // the settings name wrongly is said, and the default is used.
        if (const std::string problem = gvc::ApplyMachineSettings(gvc::RealFileSystem()); !problem.empty())
            op.Show(gvc::MessageKind::kWarning, problem);
        gvc::SystemDevice device(op, error);
        const gvc::InstanceLock lock;
        // A PC without the data folder's drive chooses another folder before
        // the window takes the data's paths (a second instance asks nothing).
        if (lock.Held()) {
            gvc::ChooseDataFolderWhereDriveIsMissing(
                op, gvc::RealFileSystem(), [](const std::string& proposal) {
                    const QString chosen = QFileDialog::getExistingDirectory(
                        nullptr, gvc::gui::Qs("Папка, в которой будут данные ВЕЛМОР_Датчики"_cp),
                        gvc::gui::Qs(proposal));
                    if (chosen.isEmpty()) return std::optional<std::string>();
                    return std::optional<std::string>(gvc::gui::Cp(QDir::toNativeSeparators(chosen)));
                });
        }

        const std::string programFile = gvc::gui::Cp(QCoreApplication::applicationFilePath());
        gvc::gui::MainWindow window(gvc::gui::MainWindowParts{op, error, gvc::RealFileSystem(), device.Link(),
                                                              !lock.Held(), programFile});
        op.SetParent(&window);
        gvc::gui::ProgressWindow progress(&window);
        gvc::gui::ReferenceDialog reference(op, &window);
        window.AttachWindows(&progress, &reference);

        window.FormCreate(gvc::Cp1251PathText(std::filesystem::current_path()));
        window.show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("G_Varnest"), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QStringLiteral("G_Varnest"), QStringLiteral("unexpected failure"));
    }
    // Last resort: whatever escaped was shown; the program ends with code 2.
    return 2;
}
