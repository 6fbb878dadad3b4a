#include "gui/keyboard.h"

#include <QKeyEvent>
#include <QPushButton>

namespace gvc::gui {

namespace {

class EnterClicks : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if (key->modifiers() & ~Qt::KeypadModifier) return false;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (button == nullptr || !button->isEnabled() || !button->hasFocus()) return false;
        button->click();
        return true;
    }
};

}  // namespace

void EnterClicksFocusedButtons(QWidget* root) {
    auto* filter = new EnterClicks(root);
    for (QPushButton* button : root->findChildren<QPushButton*>())
        button->installEventFilter(filter);
}

}  // namespace gvc::gui
