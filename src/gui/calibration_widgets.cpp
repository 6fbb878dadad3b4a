#include "gui/calibration_widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>

namespace gvc::gui {

namespace {

QRgb Rgb(RgbColour c) {
    return qRgb(c.r, c.g, c.b);
}

constexpr int kLampSize = 13;

}  // namespace

PlotImage::PlotImage(QWidget* parent, const char* name, int left, int top)
    : QWidget(parent), image_(kGraphImageWidth, kGraphImageHeight, QImage::Format_RGB32) {
    setObjectName(QString::fromLatin1(name));
    setGeometry(left, top, kGraphImageWidth, kGraphImageHeight);
    image_.fill(Qt::white);
}

void PlotImage::FillRect(int x0, int y0, int x1, int y1, RgbColour colour) {
    const QRect area =
        QRect(QPoint(std::min(x0, x1), std::min(y0, y1)), QPoint(std::max(x0, x1), std::max(y0, y1)))
            .intersected(image_.rect());
    if (area.isEmpty()) return;
    QPainter painter(&image_);
    painter.fillRect(area, QColor(colour.r, colour.g, colour.b));
    update(area);
}

void PlotImage::Line(int x0, int y0, int x1, int y1, RgbColour colour) {
    // Bresenham's line, every pixel but the end point.
    const QRgb pixel = Rgb(colour);
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    int x = x0;
    int y = y0;
    while (x != x1 || y != y1) {
        if (image_.rect().contains(x, y)) image_.setPixel(x, y, pixel);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
    update(QRect(QPoint(std::min(x0, x1), std::min(y0, y1)), QPoint(std::max(x0, x1), std::max(y0, y1))));
}

void PlotImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void PlotImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && fitHandler_) {
        fitHandler_();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void PlotImage::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) && fitHandler_) {
        fitHandler_();
        return;
    }
    QWidget::keyPressEvent(event);
}

LampShape::LampShape(QWidget* parent, const char* name, int left, int top) : QWidget(parent) {
    setObjectName(QString::fromLatin1(name));
    setGeometry(left, top, kLampSize, kLampSize);
    colour_ = QColor(0x80, 0x80, 0x80);
}

void LampShape::SetColour(const QColor& colour) {
    if (colour == colour_) return;
    colour_ = colour;
    update();
}

void LampShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(colour_);
    painter.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}

UpDown::UpDown(QWidget* parent, const char* name, const QRect& geometry, int increment)
    : QWidget(parent), increment_(increment) {
    setObjectName(QString::fromLatin1(name));
    setGeometry(geometry);
    const int half = geometry.height() / 2;
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    up_->setGeometry(0, 0, geometry.width(), half);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    down_->setGeometry(0, half, geometry.width(), geometry.height() - half);
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    setFocusPolicy(Qt::TabFocus);
    connect(up_, &QToolButton::clicked, this, [this] { Request(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { Request(-1); });
}

void UpDown::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            Request(+1);
            break;
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            Request(-1);
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

void UpDown::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
}

void UpDown::SetPosition(int position) {
    position_ = position;
}

void UpDown::Request(int direction) {
    if (handler_) handler_(position_ + direction * increment_);
}

}  // namespace gvc::gui
