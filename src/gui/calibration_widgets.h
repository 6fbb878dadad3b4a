// The drawn components of the calibration page: the trend plot images, the
// round status lamps and the up-down controls of the plots' scales.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "calibration/trend_graph.h"
#include "ui/rgb_colour.h"

class QToolButton;

namespace gvc::gui {

// A plot image (pnNul, pnStd): the run draws on its QImage; the widget shows it.
class PlotImage : public QWidget, public PlotCanvas {
public:
    PlotImage(QWidget* parent, const char* name, int left, int top);

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    // Both corners inclusive.
    void FillRect(int x0, int y0, int x1, int y1, RgbColour colour) override;
    // From the first point up to, but not including, the last, as a pen's
    // line-to draws it, so that consecutive segments do not double a pixel.
    void Line(int x0, int y0, int x1, int y1, RgbColour colour) override;

    const QImage& Image() const { return image_; }

    // A double-click, or Enter or F2 while the plot has the focus, asks for
    // the scale to be fitted to the curve.
    void OnFitRequest(std::function<void()> handler) { fitHandler_ = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QImage image_;
    std::function<void()> fitHandler_;
};

// A round lamp (shDev, shSen, ...) filled with its brush colour.
class LampShape : public QWidget {
public:
    LampShape(QWidget* parent, const char* name, int left, int top);

    void SetColour(const QColor& colour);
    const QColor& Colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
};

// An up-down control: two arrow buttons that request a new position (the
// current one plus or minus the increment). The control does not move by
// itself; its owner decides and sets the position it shows. It takes the
// focus with Tab; the arrow keys then request as the arrows do.
class UpDown : public QWidget {
public:
    UpDown(QWidget* parent, const char* name, const QRect& geometry, int increment);

    // Called with the requested position when an arrow is pressed.
    void OnChangeRequest(std::function<void(int)> handler) { handler_ = std::move(handler); }
    // Sets what the control shows; requests nothing.
    void SetRange(int minimum, int maximum);
    void SetPosition(int position);

    int Position() const { return position_; }
    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    int Increment() const { return increment_; }
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

protected:
    // With the focus, the arrow keys (and Page Up, Page Down) press the arrows.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Request(int direction);

    QToolButton* up_;
    QToolButton* down_;
    int increment_;
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
    std::function<void(int)> handler_;
};

}  // namespace gvc::gui
