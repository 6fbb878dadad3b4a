// The plot of one sensor's slope K<i> over its calibration dates, painted
// with QPainter: a few dozen points need no chart library, and the plot keeps
// the look of the calibration page's graphs.
#pragma once

#include <QWidget>
#include <cstdint>
#include <utility>
#include <vector>

namespace gvc::gui {

struct SlopePoint {
    std::int64_t day = 0;  // day number of the calibration date
    double slope = 0;
    bool fastChange = false;  // drawn in red
};

class SlopePlot : public QWidget {
public:
    explicit SlopePlot(QWidget* parent = nullptr);
    void SetPoints(std::vector<SlopePoint> points, const QString& title);
    const std::vector<SlopePoint>& Points() const { return points_; }

    // Where the points are drawn inside the frame `area`: every dot wholly
    // inside it, calibrations of a single day in its middle.
    std::vector<QPointF> Positions(const QRect& area) const;
    static constexpr double kDotRadius = 3.0;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The slope range shown: the points' with a margin.
    std::pair<double, double> Bounds() const;

    std::vector<SlopePoint> points_;
    QString title_;
};

}  // namespace gvc::gui
