// Small builders shared by the windows: the colours of the standard palette,
// the program font, and the kinds of component the windows are made of
// (labels, sunken static texts, coloured group boxes) at fixed positions.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QWidget>

namespace gvc::gui {

namespace colour {
inline const QColor kCream{0xFF, 0xFB, 0xF0};
inline const QColor kTeal{0x00, 0x80, 0x80};
inline const QColor kSilver{0xC0, 0xC0, 0xC0};
inline const QColor kMoneyGreen{0xC0, 0xDC, 0xC0};
inline const QColor kSkyBlue{0xA6, 0xCA, 0xF0};
inline const QColor kYellow{0xFF, 0xFF, 0x00};
inline const QColor kAqua{0x00, 0xFF, 0xFF};
inline const QColor kGreen{0x00, 0x80, 0x00};
inline const QColor kGrey{0x80, 0x80, 0x80};
inline const QColor kRed{0xFF, 0x00, 0x00};
inline const QColor kBlue{0x00, 0x00, 0xFF};
}  // namespace colour

// Tahoma 11 pixels; where Tahoma is missing, the condensed DejaVu face, which
// is about as wide, so that the fixed layout's texts fit.
inline QFont ProgramFont() {
    QFont font;
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        font.setFamily(QStringLiteral("Tahoma"));
    } else {
        font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
        font.setStretch(QFont::Condensed);
    }
    font.setPixelSize(11);
    return font;
}

inline void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

inline void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

inline QColor BackgroundOf(const QWidget* widget) {
    return widget->palette().color(QPalette::Window);
}
inline QColor TextColourOf(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

inline void Place(QWidget* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
}

// A plain label.
inline QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text,
                         Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(text, parent);
    Place(label, name, geometry);
    label->setAlignment(alignment);
    return label;
}

// A static text: a sunken, filled field that shows a value.
inline QLabel* MakeStatic(QWidget* parent, const char* name, const QRect& geometry, const QString& text,
                          const QColor& background = colour::kCream,
                          Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = MakeLabel(parent, name, geometry, text, alignment);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
    label->setIndent(2);
    SetBackground(label, background);
    return label;
}

// A group box filled with its group colour.
inline QGroupBox* MakeGroup(QWidget* parent, const char* name, const QRect& geometry, const QString& title,
                            const QColor& background) {
    auto* group = new QGroupBox(title, parent);
    Place(group, name, geometry);
    SetBackground(group, background);
    return group;
}

}  // namespace gvc::gui
