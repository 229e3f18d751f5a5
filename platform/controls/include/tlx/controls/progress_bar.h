// A progress bar without a percentage text. A value outside the range is taken as the nearer
// end of it, rather than ignored.
#pragma once

#include <QProgressBar>

namespace tlx::controls {

class ProgressBar : public QProgressBar {
    Q_OBJECT

  public:
    explicit ProgressBar(QWidget* parent = nullptr);

    void SetRange(int min, int max);
    void SetValue(int value);
};

}  // namespace tlx::controls
