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

}  // namespace

std::unique_ptr<QMessageBox> MakeOperatorBox(QWidget* parent, MessageKind kind, std::string_view text,
                                             bool question) {
    // Multi-line texts come with CR LF; the box wants plain line feeds.
    QString body = Qs(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QMessageBox::StandardButtons buttons =
        question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::StandardButtons(QMessageBox::Ok);
    auto box = std::make_unique<QMessageBox>(IconOf(kind), TitleOf(kind), body, buttons, parent);
    box->setObjectName(QStringLiteral("OperatorMessageBox"));
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

void MessageBoxOperator::Show(MessageKind kind, std::string_view cp1251Text) {
    MakeOperatorBox(parent_, kind, cp1251Text, false)->exec();
}

bool MessageBoxOperator::Ask(MessageKind kind, std::string_view cp1251Text) {
    return MakeOperatorBox(parent_, kind, cp1251Text, true)->exec() == QMessageBox::Yes;
}

}  // namespace gvc::gui
