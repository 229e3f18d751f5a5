#include "tlx/controls/label.h"

namespace tlx::controls {

Label::Label(const QString& caption, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::RichText);
    setWordWrap(true);
    SetCaption(caption);
}

void Label::SetCaption(const QString& caption) {
    caption_ = caption;
    setText(RichText(caption));
}

QString Label::RichText(const QString& caption) {
    QString rich;
    bool bold = false;
    qsizetype i = 0;
    while (i < caption.size()) {
        if (caption.mid(i, 3).compare("<B>", Qt::CaseInsensitive) == 0) {
            if (!bold) rich += "<b>";
            bold = true;
            i += 3;
        } else if (caption.mid(i, 4).compare("</B>", Qt::CaseInsensitive) == 0) {
            if (bold) rich += "</b>";
            bold = false;
            i += 4;
        } else if (caption[i] == '\n') {
            rich += "<br>";
            ++i;
        } else if (caption[i] != '\r') {
            rich += QString(caption[i]).toHtmlEscaped();
            ++i;
        } else {
            ++i;
        }
    }
    if (bold) rich += "</b>";
    return rich;
}

}  // namespace tlx::controls
