// The pictures of the line meters, embedded from resources/ when the driver is built.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vodex::linemeter {

extern const std::uint8_t kProductMeterPng[];
extern const std::size_t kProductMeterPngSize;
extern const std::uint8_t kIconMeterPng[];
extern const std::size_t kIconMeterPngSize;
extern const std::uint8_t kProductPhPng[];
extern const std::size_t kProductPhPngSize;
extern const std::uint8_t kIconPhPng[];
extern const std::size_t kIconPhPngSize;
extern const std::uint8_t kProductConductivityPng[];
extern const std::size_t kProductConductivityPngSize;
extern const std::uint8_t kIconConductivityPng[];
extern const std::size_t kIconConductivityPngSize;
extern const std::uint8_t kProductThermometerPng[];
extern const std::size_t kProductThermometerPngSize;
extern const std::uint8_t kIconThermometerPng[];
extern const std::size_t kIconThermometerPngSize;

}  // namespace vodex::linemeter
