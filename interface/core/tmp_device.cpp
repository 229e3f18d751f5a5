#include "vodex/core/tmp_device.h"

namespace vodex {

tmp_Device::~tmp_Device() = default;

}  // namespace vodex
