// Lets a device go with its driver: a device made only for a while (a search, a list of the
// drivers) or one that only describes a driver and has none. Never throws.
#pragma once

#include <memory>

#include "vodex/core/device.h"

namespace vodex::detail {

inline void ReleaseDevice(const std::shared_ptr<int_Device>& device) {
    try {
        if (device && device->PARENT()) device->DESTROY();
    } catch (...) {
    }
}

}  // namespace vodex::detail
