// The main window's "?" button: the help file below the working directory
// when it exists, otherwise the operator's guide beside it, each handed to the
// system's viewer (the browser for the guide).
#include <QDesktopServices>
#include <QUrl>

#include "gui/gui_text.h"
#include "gui/main_window.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

QString PathQString(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

bool OpenWithSystemViewer(const QString& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

}  // namespace

void MainWindow::bbHelpClick() {
    const HelpChoice choice = ChooseHelp(help_);
    if (choice == HelpChoice::kNone) {
        // The guide is what the operator can put back; its path is the one to name.
        parts_.op.Show(MessageKind::kError,
                       std::string("Отсутствует файл Справки"_cp) + "\r\n" + NativePathText(help_.guide));
        return;
    }
    const std::filesystem::path& file = choice == HelpChoice::kHelpFile ? help_.helpFile : help_.guide;
    const auto& open = helpOpener_ ? helpOpener_ : OpenWithSystemViewer;
    if (!open(PathQString(file))) {
        parts_.op.Show(MessageKind::kError, std::string("Нет программы для просмотра файла Справки"_cp) +
                                                "\r\n" + NativePathText(file));
    }
}

}  // namespace gvc::gui
