#include "tlx/controls/progress_bar.h"

#include <algorithm>

namespace tlx::controls {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    setRange(0, 100);
    setValue(0);
}

void ProgressBar::SetRange(int min, int max) {
    setRange(min, std::max(min, max));
}

void ProgressBar::SetValue(int value) {
    setValue(std::clamp(value, minimum(), maximum()));
}

}  // namespace tlx::controls
