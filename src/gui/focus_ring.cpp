#include "gui/focus_ring.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace gvc::gui {

namespace {
constexpr int kMargin = 2;  // the ring lies just outside the widget
}  // namespace

FocusRing::FocusRing(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
}

void FocusRing::Follow(QWidget* now) {
    if (target_ != nullptr) target_->removeEventFilter(this);
    target_ = nullptr;
    if (now == nullptr || now == parentWidget() || now->window() != parentWidget()->window()) {
        hide();
        return;
    }
    target_ = now;
    target_->installEventFilter(this);
    Place();
}

void FocusRing::Place() {
    if (target_ == nullptr || !target_->isVisible()) {
        hide();
        return;
    }
    const QPoint topLeft = target_->mapTo(parentWidget(), QPoint(0, 0));
    setGeometry(QRect(topLeft, target_->size()).adjusted(-kMargin, -kMargin, kMargin, kMargin));
    show();
    raise();
    update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_) {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide:
                Place();
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}

}  // namespace gvc::gui
