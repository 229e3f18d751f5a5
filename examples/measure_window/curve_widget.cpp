#include "curve_widget.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vodex::example {

CurveWidget::CurveWidget(QWidget* parent) : QWidget(parent) {
    setMinimumSize(420, 220);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void CurveWidget::SetReadings(const std::deque<std::pair<double, double>>& readings,
                              const QString& caption) {
    readings_ = readings;
    caption_ = caption;
    update();
}

void CurveWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(56, 24, -12, -28);
    painter.setPen(QColor(200, 200, 200));
    painter.drawRect(area);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(area.left(), 4, area.width(), 18), Qt::AlignLeft, caption_);
    if (readings_.size() < 2) return;
    auto [low, high] =
        std::minmax_element(readings_.begin(), readings_.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; });
    double bottom = low->second;
    double top = high->second;
    if (top - bottom < 1e-9) {
        bottom -= 1;
        top += 1;
    }
    const double first = readings_.front().first;
    const double span = std::max(readings_.back().first - first, 1e-9);
    QPainterPath path;
    for (std::size_t i = 0; i < readings_.size(); ++i) {
        const QPointF at(
            area.left() + (readings_[i].first - first) / span * area.width(),
            area.bottom() - (readings_[i].second - bottom) / (top - bottom) * area.height());
        if (i == 0) {
            path.moveTo(at);
        } else {
            path.lineTo(at);
        }
    }
    painter.setPen(QPen(QColor(0, 90, 170), 2));
    painter.drawPath(path);
    painter.setPen(Qt::darkGray);
    painter.drawText(QRectF(0, area.top() - 8, 52, 16), Qt::AlignRight,
                     QString::number(top, 'g', 5));
    painter.drawText(QRectF(0, area.bottom() - 8, 52, 16), Qt::AlignRight,
                     QString::number(bottom, 'g', 5));
    painter.drawText(QRectF(area.left(), area.bottom() + 4, area.width(), 18), Qt::AlignRight,
                     QString("%1 s").arg(readings_.back().first, 0, 'f', 1));
}

}  // namespace vodex::example
