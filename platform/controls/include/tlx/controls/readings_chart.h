// A chart of readings over time, made for measuring: a time axis in seconds with ticks, a
// value axis with the readings' unit, a grid, one line per channel in its colour with its name
// in the legend, and a gap wherever a reading is missing.
#pragma once

#include <QChartView>
#include <QColor>
#include <QPointF>
#include <QString>
#include <vector>

class QValueAxis;

namespace tlx::controls {

class ReadingsChart : public QChartView {
    Q_OBJECT

  public:
    // One channel's line: (seconds, value) points in time order; a point whose value is not a
    // number marks a gap (no reading there).
    struct Line {
        QString name;
        QColor colour;
        std::vector<QPointF> points;
    };

    explicit ReadingsChart(QWidget* parent = nullptr);

    // The time axis' caption and the seconds it spans.
    void SetTimeAxis(const QString& caption, double from, double to);
    // The horizontal axis as another quantity (a spectrum's wavelengths): its caption and
    // span, ticks on round numbers.
    void SetXAxis(const QString& caption, double from, double to);
    // The value axis' caption (the unit).
    void SetValueCaption(const QString& caption);
    // Shows `lines` instead of what was shown; the value axis spans their values.
    void SetLines(const std::vector<Line>& lines);
    // The points of line `line` as drawn (for the tests): gaps split a line into pieces.
    int Pieces(int line) const;

  private:
    QValueAxis* time_;
    QValueAxis* value_;
    std::vector<int> pieces_;
};

}  // namespace tlx::controls
