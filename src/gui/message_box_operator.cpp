#include "gui/message_box_operator.h"

#include <QApplication>
#include <QMessageBox>

#include "gui/gui_text.h"

namespace gvc::gui {

namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::kWarning:
            return QMessageBox::Warning;
        case MessageKind::kError:
            return QMessageBox::Critical;
        case MessageKind::kInformation:
            break;
    }
    return QMessageBox::Information;
}

// The box's title is the kind, as the platform's own boxes name it.
QString TitleOf(MessageKind kind) {
    using namespace gvc::literals;
    switch (kind) {
        case MessageKind::kWarning:
            return Qs("Предупреждение"_cp);
        case MessageKind::kError:
            return Qs("Ошибка"_cp);
        case MessageKind::kInformation:
            break;
    }
    return Qs("Информация"_cp);
}

int RunBox(QWidget* parent, MessageKind kind, std::string_view text, QMessageBox::StandardButtons buttons) {
    // Multi-line texts come with CR LF; the box wants plain line feeds.
    QString body = Qs(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(IconOf(kind), TitleOf(kind), body, buttons, parent);
    box.setObjectName(QStringLiteral("OperatorMessageBox"));
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec();
}

}  // namespace

void MessageBoxOperator::Show(MessageKind kind, std::string_view cp1251Text) {
    RunBox(parent_, kind, cp1251Text, QMessageBox::Ok);
}

bool MessageBoxOperator::Ask(MessageKind kind, std::string_view cp1251Text) {
    return RunBox(parent_, kind, cp1251Text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace gvc::gui
