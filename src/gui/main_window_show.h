// Small helpers the main window's files share: colour conversion and setters
// that leave an unchanged component alone (the run reports its page many
// times a second).
#pragma once

#include <QColor>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "gui/gui_widgets.h"
#include "ui/rgb_colour.h"

namespace gvc::gui::window_show {

inline QColor ToQColor(RgbColour c) {
    return {c.r, c.g, c.b};
}

inline void ShowText(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

inline void ShowBackground(QWidget* widget, const QColor& colour) {
    if (BackgroundOf(widget) != colour || !widget->autoFillBackground()) SetBackground(widget, colour);
}

inline void ShowTextColour(QWidget* widget, const QColor& colour) {
    if (widget->palette().color(QPalette::Text) != colour) SetTextColour(widget, colour);
}

// Runs or stops a timer as the run says; a running timer keeps its rhythm.
inline void FollowTimer(QTimer* timer, bool on) {
    if (on && !timer->isActive()) timer->start();
    if (!on && timer->isActive()) timer->stop();
}

}  // namespace gvc::gui::window_show
