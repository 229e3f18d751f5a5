// A sunken panel that holds other controls, or shows a caption of its own when it holds none
// (the information panels of the programs).
#pragma once

#include <QFrame>
#include <QString>

class QLabel;

namespace tlx::controls {

class Panel : public QFrame {
    Q_OBJECT

  public:
    explicit Panel(QWidget* parent = nullptr);

    // The caption, shown centred; an empty caption shows nothing.
    void SetCaption(const QString& caption);
    QString Caption() const;

  private:
    QLabel* caption_;
};

}  // namespace tlx::controls
