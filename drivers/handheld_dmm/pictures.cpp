#include "handheld_dmm.h"
#include "resources.h"

namespace vodex::handheld_dmm {

std::shared_ptr<tlx::cls_CorePicture> ProductPicture() {
    return std::make_shared<tlx::cls_CorePicture>(
        tlx::Bytes(kProductPng, kProductPng + kProductPngSize));
}

std::shared_ptr<tlx::cls_CorePicture> IconPicture() {
    return std::make_shared<tlx::cls_CorePicture>(tlx::Bytes(kIconPng, kIconPng + kIconPngSize));
}

}  // namespace vodex::handheld_dmm
