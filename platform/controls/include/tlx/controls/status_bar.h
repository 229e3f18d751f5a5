// The status bar at the foot of a window: a row of sunken panels, each with a text.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class QLabel;

namespace tlx::controls {

class StatusBar : public QWidget {
    Q_OBJECT

  public:
    explicit StatusBar(QWidget* parent = nullptr);

    // Appends a panel; a panel with `stretch` takes the room the others leave.
    void AddPanel(const QString& text = {}, bool stretch = true);
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    // Panels count from 0; a panel that does not exist is ignored, and reads as "".
    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;
    QLabel* PanelLabel(int panel) const;

  private:
    std::vector<QLabel*> panels_;
};

}  // namespace tlx::controls
