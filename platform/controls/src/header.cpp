#include "tlx/controls/header.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace tlx::controls {

Header::Header(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(new QLabel(caption, this)) {
    QFont bold = caption_->font();
    bold.setBold(true);
    caption_->setFont(bold);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 2);
    layout->setSpacing(2);
    layout->addWidget(caption_);
    layout->addWidget(line);
}

void Header::SetCaption(const QString& caption) {
    caption_->setText(caption);
}

QString Header::Caption() const {
    return caption_->text();
}

}  // namespace tlx::controls
