// A frame around a group of controls, with its caption in the border.
#pragma once

#include <QGroupBox>

namespace tlx::controls {

class Frame : public QGroupBox {
    Q_OBJECT

  public:
    explicit Frame(const QString& caption = {}, QWidget* parent = nullptr)
        : QGroupBox(caption, parent) {}
};

}  // namespace tlx::controls
