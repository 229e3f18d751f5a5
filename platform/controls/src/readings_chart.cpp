#include "tlx/controls/readings_chart.h"

#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace tlx::controls {
namespace {

// More points than the chart has pixels only cost time: a long line is thinned to about this
// many, keeping every gap.
constexpr std::size_t kMostPoints = 1500;

}  // namespace

ReadingsChart::ReadingsChart(QWidget* parent)
    : QChartView(new QChart, parent), time_(new QValueAxis), value_(new QValueAxis) {
    setRenderHint(QPainter::Antialiasing);
    QChart* c = chart();
    c->setMargins(QMargins(4, 4, 4, 4));
    c->setBackgroundRoundness(0);
    c->legend()->setAlignment(Qt::AlignTop);
    for (QValueAxis* axis : {time_, value_}) {
        axis->setGridLineVisible(true);
        axis->setMinorGridLineVisible(false);
        QFont font = axis->titleFont();
        font.setBold(false);
        axis->setTitleFont(font);
    }
    time_->setLabelFormat("%.0f");
    time_->setTickType(QValueAxis::TicksDynamic);
    value_->setLabelFormat("%g");
    value_->setTickType(QValueAxis::TicksDynamic);
    c->addAxis(time_, Qt::AlignBottom);
    c->addAxis(value_, Qt::AlignLeft);
    setMinimumHeight(160);
}

void ReadingsChart::SetTimeAxis(const QString& caption, double from, double to) {
    time_->setTitleText(caption);
    if (!(to > from)) to = from + 1;
    time_->setRange(from, to);
    // About six ticks on round numbers of seconds.
    const double span = to - from;
    double step = 1;
    for (double s : {1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 1800.0, 3600.0}) {
        step = s;
        if (span / s <= 7) break;
    }
    time_->setTickAnchor(0);
    time_->setTickInterval(step);
}

void ReadingsChart::SetXAxis(const QString& caption, double from, double to) {
    time_->setTitleText(caption);
    if (!(to > from)) to = from + 1;
    time_->setRange(from, to);
    // About six ticks on 1, 2 or 5 times a power of ten.
    const double rough = (to - from) / 6;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = magnitude;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * magnitude;
        if (step >= rough) break;
    }
    time_->setTickAnchor(0);
    time_->setTickInterval(step);
}

void ReadingsChart::SetValueCaption(const QString& caption) {
    value_->setTitleText(caption);
}

void ReadingsChart::SetLines(const std::vector<Line>& lines) {
    QChart* c = chart();
    c->removeAllSeries();
    pieces_.assign(lines.size(), 0);
    double low = INFINITY, high = -INFINITY;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const Line& line = lines[l];
        const std::size_t step = std::max<std::size_t>(1, line.points.size() / kMostPoints);
        QLineSeries* piece = nullptr;
        bool first = true;
        for (std::size_t i = 0; i < line.points.size(); ++i) {
            const QPointF& p = line.points[i];
            if (std::isnan(p.y())) {
                piece = nullptr;  // a missing reading: the line starts anew after it
                continue;
            }
            // Thinning keeps each piece's first and last point.
            const bool edge =
                !piece || i + 1 == line.points.size() || std::isnan(line.points[i + 1].y());
            if (!edge && i % step != 0) continue;
            if (!piece) {
                piece = new QLineSeries;
                piece->setName(line.name);
                QPen pen(line.colour);
                pen.setWidthF(1.8);
                piece->setPen(pen);
                c->addSeries(piece);
                piece->attachAxis(time_);
                piece->attachAxis(value_);
                // One entry in the legend per line, not per piece.
                for (QLegendMarker* marker : c->legend()->markers(piece))
                    marker->setVisible(first);
                first = false;
                ++pieces_[l];
            }
            piece->append(p);
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    }
    // A reading alone between gaps is a dot, not nothing.
    for (QAbstractSeries* series : c->series()) {
        auto* piece = static_cast<QLineSeries*>(series);
        if (piece->count() == 1) piece->setPointsVisible(true);
    }
    if (low > high) {  // nothing measured yet
        low = 0;
        high = 1;
    }
    if (high - low < 1e-9) {
        const double margin = std::max(std::abs(high) * 0.01, 0.5);
        low -= margin;
        high += margin;
    }
    // About six ticks on round numbers, counted from 0 so that 0 is shown as 0 and not as the
    // rounding error of adding up steps.
    const double rough = (high - low) / 6;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = magnitude;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * magnitude;
        if (step >= rough) break;
    }
    // The ends lie on ticks; a hair beyond them, so that adding up steps reaches the last.
    const double hair = step * 1e-6;
    value_->setRange(std::floor(low / step) * step - hair, std::ceil(high / step) * step + hair);
    value_->setTickAnchor(0);
    value_->setTickInterval(step);
}

int ReadingsChart::Pieces(int line) const {
    return line >= 0 && line < static_cast<int>(pieces_.size())
               ? pieces_[static_cast<std::size_t>(line)]
               : 0;
}

}  // namespace tlx::controls
