#include "photometer.h"
#include "resources.h"

namespace vodex::photometer {

std::shared_ptr<tlx::cls_CorePicture> ProductPicture() {
    return std::make_shared<tlx::cls_CorePicture>(
        tlx::Bytes(kProductPng, kProductPng + kProductPngSize));
}

std::shared_ptr<tlx::cls_CorePicture> IconPicture() {
    return std::make_shared<tlx::cls_CorePicture>(tlx::Bytes(kIconPng, kIconPng + kIconPngSize));
}

}  // namespace vodex::photometer
