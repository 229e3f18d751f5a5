// The command bar of the library's dialogs: a row of buttons at the bottom, each carrying a
// key that it delivers when clicked ("DIALOG.OK();"). The first button is the default one
// (Enter); Escape delivers the key of the button marked as the abort button.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class QPushButton;

namespace tlx::controls {

class CommandBar : public QWidget {
    Q_OBJECT

  public:
    explicit CommandBar(QWidget* parent = nullptr);

    // Appends a button; the first one added is the default button.
    void AddButton(const QString& text, const QString& key, bool abort = false);
    int Count() const { return static_cast<int>(buttons_.size()); }
    void SetText(int index, const QString& text);
    QString Key(int index) const;
    QPushButton* Button(int index) const;
    // The key Escape delivers; empty when no button is the abort button.
    const QString& AbortKey() const { return abortKey_; }

  signals:
    void Command(const QString& key);

  private:
    struct Entry {
        QPushButton* button;
        QString key;
    };
    std::vector<Entry> buttons_;
    QString abortKey_;
};

}  // namespace tlx::controls
