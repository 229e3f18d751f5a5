// A heading over a section of a window: its caption in bold with a line under it.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace tlx::controls {

class Header : public QWidget {
    Q_OBJECT

  public:
    explicit Header(const QString& caption = {}, QWidget* parent = nullptr);

    void SetCaption(const QString& caption);
    QString Caption() const;

  private:
    QLabel* caption_;
};

}  // namespace tlx::controls
