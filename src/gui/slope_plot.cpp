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

    const auto [minIt, maxIt] =
        std::minmax_element(points_.begin(), points_.end(),
                            [](const SlopePoint& a, const SlopePoint& b) { return a.slope < b.slope; });
    double low = minIt->slope;
    double high = maxIt->slope;
    const double margin = std::max((high - low) * 0.1, std::max(std::fabs(high), 1.0) * 0.01);
    low -= margin;
    high += margin;
    const std::int64_t first = points_.front().day;
    const std::int64_t last = points_.back().day;
    const double span = static_cast<double>(std::max<std::int64_t>(last - first, 1));
    auto at = [&](const SlopePoint& p) {
        const double x = points_.size() == 1
                             ? area.center().x()
                             : area.left() + static_cast<double>(p.day - first) / span * area.width();
        const double y = area.bottom() - (p.slope - low) / (high - low) * area.height();
        return QPointF(x, y);
    };

    painter.setPen(Qt::black);
    painter.drawText(QRect(0, area.top() - textHeight / 2, area.left() - 3, textHeight),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(high, 'f', 3));
    painter.drawText(QRect(0, area.bottom() - textHeight / 2, area.left() - 3, textHeight),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(low, 'f', 3));
    painter.drawText(QRect(area.left(), area.bottom() + 2, area.width(), textHeight), Qt::AlignLeft,
                     DayText(first));
    if (last != first)
        painter.drawText(QRect(area.left(), area.bottom() + 2, area.width(), textHeight), Qt::AlignRight,
                         DayText(last));

    painter.setPen(QPen(colour::kBlue, 1.5));
    for (std::size_t i = 1; i < points_.size(); ++i)
        painter.drawLine(at(points_[i - 1]), at(points_[i]));
    for (const SlopePoint& p : points_) {
        const QColor c = p.fastChange ? colour::kRed : colour::kBlue;
        painter.setPen(c);
        painter.setBrush(c);
        painter.drawEllipse(at(p), 3.0, 3.0);
    }
}

}  // namespace gvc::gui
