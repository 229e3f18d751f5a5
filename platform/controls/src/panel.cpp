#include "tlx/controls/panel.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tlx::controls {

Panel::Panel(QWidget* parent) : QFrame(parent), caption_(new QLabel(this)) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(caption_);
}

void Panel::SetCaption(const QString& caption) {
    caption_->setText(caption);
    caption_->setVisible(!caption.isEmpty());
}

QString Panel::Caption() const {
    return caption_->text();
}

}  // namespace tlx::controls
