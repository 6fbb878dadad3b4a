#include "gui/slope_plot.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "gui/gui_widgets.h"
#include "util/calendar.h"

namespace gvc::gui {

namespace {

// "dd.mm.yy" under the axis.
QString DayText(std::int64_t day) {
    const CivilDate date = DateFromDayNumber(day);
    return QStringLiteral("%1.%2.%3")
        .arg(date.day, 2, 10, QLatin1Char('0'))
        .arg(date.month, 2, 10, QLatin1Char('0'))
        .arg(date.year % 100, 2, 10, QLatin1Char('0'));
}

}  // namespace

SlopePlot::SlopePlot(QWidget* parent) : QWidget(parent) {
    SetBackground(this, Qt::white);
}

void SlopePlot::SetPoints(std::vector<SlopePoint> points, const QString& title) {
    points_ = std::move(points);
    title_ = title;
    update();
}

std::pair<double, double> SlopePlot::Bounds() const {
    const auto [minIt, maxIt] =
        std::minmax_element(points_.begin(), points_.end(),
                            [](const SlopePoint& a, const SlopePoint& b) { return a.slope < b.slope; });
    const double low = minIt->slope;
    const double high = maxIt->slope;
    const double margin = std::max((high - low) * 0.1, std::max(std::fabs(high), 1.0) * 0.01);
    return {low - margin, high + margin};
}

std::vector<QPointF> SlopePlot::Positions(const QRect& area) const {
    std::vector<QPointF> out;
    if (points_.empty()) return out;
    const auto [low, high] = Bounds();
    // The dots' centres keep a radius and a pixel from the frame.
    const double inset = kDotRadius + 1.0;
    const double left = area.left() + inset;
    const double width = std::max(area.width() - 2 * inset, 0.0);
    const std::int64_t first = points_.front().day;
    const std::int64_t last = points_.back().day;
    const double span = static_cast<double>(last - first);
    out.reserve(points_.size());
    for (const SlopePoint& p : points_) {
        // One day (or one point) has no time axis: its dots go to the middle.
        const double x = last == first ? area.left() + area.width() / 2.0
                                       : left + static_cast<double>(p.day - first) / span * width;
        const double y = area.bottom() - (p.slope - low) / (high - low) * area.height();
        out.emplace_back(x, y);
    }
    return out;
}

void SlopePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int textHeight = metrics.height();
    painter.drawText(QRect(0, 0, width(), textHeight), Qt::AlignCenter, title_);
    const QRect area(44, textHeight + 4, width() - 52, height() - 2 * textHeight - 10);
    painter.setPen(colour::kGrey);
    painter.drawRect(area);
    if (points_.empty() || area.width() < 10 || area.height() < 10) return;

    const auto [low, high] = Bounds();
    const std::int64_t first = points_.front().day;
    const std::int64_t last = points_.back().day;
    const std::vector<QPointF> at = Positions(area);

    painter.setPen(Qt::black);
    painter.drawText(QRect(0, area.top() - textHeight / 2, area.left() - 3, textHeight),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(high, 'f', 3));
    painter.drawText(QRect(0, area.bottom() - textHeight / 2, area.left() - 3, textHeight),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(low, 'f', 3));
    painter.drawText(QRect(area.left(), area.bottom() + 2, area.width(), textHeight),
                     last == first ? Qt::AlignHCenter : Qt::AlignLeft, DayText(first));
    if (last != first)
        painter.drawText(QRect(area.left(), area.bottom() + 2, area.width(), textHeight), Qt::AlignRight,
                         DayText(last));

    painter.setPen(QPen(colour::kBlue, 1.5));
    for (std::size_t i = 1; i < at.size(); ++i)
        painter.drawLine(at[i - 1], at[i]);
    for (std::size_t i = 0; i < at.size(); ++i) {
        const QColor c = points_[i].fastChange ? colour::kRed : colour::kBlue;
        painter.setPen(c);
        painter.setBrush(c);
        painter.drawEllipse(at[i], kDotRadius, kDotRadius);
    }
}

}  // namespace gvc::gui
