// A label whose caption may mark words bold with <B>...</B> (upper or lower case); every
// other character shows as it stands, so a caption never turns into markup of its own.
#pragma once

#include <QLabel>
#include <QString>

namespace tlx::controls {

class Label : public QLabel {
    Q_OBJECT

  public:
    explicit Label(const QString& caption = {}, QWidget* parent = nullptr);

    // The caption as given, markup included.
    void SetCaption(const QString& caption);
    const QString& Caption() const { return caption_; }

    // The caption as rich text: <B> and </B> become bold, everything else is escaped.
    static QString RichText(const QString& caption);

  private:
    QString caption_;
};

}  // namespace tlx::controls
