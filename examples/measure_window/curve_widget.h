// A live curve of one channel's readings over time, drawn with the values' own range.
#pragma once

#include <QWidget>
#include <deque>
#include <utility>

namespace vodex::example {

class CurveWidget : public QWidget {
  public:
    explicit CurveWidget(QWidget* parent = nullptr);
    // The readings to draw: (seconds, value), the newest last; and the axis' caption.
    void SetReadings(const std::deque<std::pair<double, double>>& readings, const QString& caption);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::deque<std::pair<double, double>> readings_;
    QString caption_;
};

}  // namespace vodex::example
