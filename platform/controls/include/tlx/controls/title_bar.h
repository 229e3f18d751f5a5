// The band at the top of the library's dialogs: a bold title, an explanation below it, and an
// optional icon on the right.
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class QLabel;

namespace tlx::controls {

class TitleBar : public QWidget {
    Q_OBJECT

  public:
    explicit TitleBar(QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    void SetExplanation(const QString& text);
    // Shows `icon` on the right; a null picture hides it.
    void SetIcon(const QPixmap& icon);
    QString Title() const;
    QString Explanation() const;

  private:
    QLabel* title_;
    QLabel* explanation_;
    QLabel* icon_;
};

}  // namespace tlx::controls
