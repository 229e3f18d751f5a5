// The template interface that drivers implement: their read-only DEVICE. The library's own
// class of this name gives nothing; it only defines the interface.
#pragma once

#include <memory>

#include "tlx/object.h"

namespace vodex {

class int_Device;

class tmp_Device {
  public:
    tmp_Device() = default;
    tmp_Device(const tmp_Device&) = delete;
    tmp_Device& operator=(const tmp_Device&) = delete;
    virtual ~tmp_Device();
    virtual std::shared_ptr<int_Device> DEVICE() const { return nullptr; }
};

}  // namespace vodex
