#include "tlx/controls/image_box.h"

#include <QResizeEvent>

namespace tlx::controls {

ImageBox::ImageBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
}

void ImageBox::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    Show();
}

void ImageBox::SetStretch(bool stretch) {
    stretch_ = stretch;
    Show();
}

void ImageBox::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (stretch_) Show();
}

void ImageBox::Show() {
    if (picture_.isNull()) {
        clear();
    } else if (stretch_ && !size().isEmpty()) {
        setPixmap(picture_.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else {
        setPixmap(picture_);
    }
}

}  // namespace tlx::controls
