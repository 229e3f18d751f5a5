// The driver's pictures, embedded from resources/ when the driver is built.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vodex::photometer {

extern const std::uint8_t kProductPng[];
extern const std::size_t kProductPngSize;
extern const std::uint8_t kIconPng[];
extern const std::size_t kIconPngSize;

}  // namespace vodex::photometer
