// A ring around the widget that has the keyboard focus, drawn over the window
// in black and white so that it shows on every background (the teal and
// silver groups, the cream fields, the white plots).
#pragma once

#include <QPointer>
#include <QWidget>

namespace gvc::gui {

class FocusRing : public QWidget {
public:
    // Follows the focus inside `window` for as long as the window lives.
    explicit FocusRing(QWidget* window);

    // The widget the ring surrounds, or nullptr while it is hidden.
    QWidget* Target() const { return isVisible() ? target_.data() : nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow(QWidget* now);
    void Place();

    QPointer<QWidget> target_;
};

}  // namespace gvc::gui
