// A core-library picture as a Qt picture (empty when there is none or it cannot be read).
#pragma once

#include <QPixmap>
#include <memory>

#include "tlx/picture.h"

namespace vodex::ui {

inline QPixmap PictureOf(const std::shared_ptr<tlx::cls_CorePicture>& picture) {
    QPixmap pixmap;
    if (picture) {
        const auto& bytes = picture->BYTES();
        pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()));
    }
    return pixmap;
}

}  // namespace vodex::ui
