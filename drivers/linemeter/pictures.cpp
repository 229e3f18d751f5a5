#include "linemeter.h"
#include "resources.h"

namespace vodex::linemeter {
namespace {

std::shared_ptr<tlx::cls_CorePicture> Picture(const std::uint8_t* png, std::size_t size) {
    return std::make_shared<tlx::cls_CorePicture>(tlx::Bytes(png, png + size));
}

}  // namespace

std::shared_ptr<tlx::cls_CorePicture> ProductPicture(const std::string& icon) {
    if (icon == "ph") return Picture(kProductPhPng, kProductPhPngSize);
    if (icon == "conductivity")
        return Picture(kProductConductivityPng, kProductConductivityPngSize);
    if (icon == "thermometer") return Picture(kProductThermometerPng, kProductThermometerPngSize);
    return Picture(kProductMeterPng, kProductMeterPngSize);
}

std::shared_ptr<tlx::cls_CorePicture> IconPicture(const std::string& icon) {
    if (icon == "ph") return Picture(kIconPhPng, kIconPhPngSize);
    if (icon == "conductivity") return Picture(kIconConductivityPng, kIconConductivityPngSize);
    if (icon == "thermometer") return Picture(kIconThermometerPng, kIconThermometerPngSize);
    return Picture(kIconMeterPng, kIconMeterPngSize);
}

}  // namespace vodex::linemeter
