// The device object through which a client program and a driver meet.
//
// So far it carries the records that describe a device; the driver contract (events, methods,
// status and persistence) is still to come.
#pragma once

#include <memory>

#include "tlx/object.h"
#include "vodex/records/device_comsettings.h"
#include "vodex/records/device_info.h"

namespace vodex {

class int_Device : public tlx::Object {
  public:
    int_Device();
    ~int_Device() override;
    int_Device(const int_Device&) = delete;
    int_Device& operator=(const int_Device&) = delete;

    // Description of the device and driver; created empty on first use.
    std::shared_ptr<cls_DeviceInfo> INFO();
    void INFO(std::shared_ptr<cls_DeviceInfo> v) { info_ = std::move(v); }
    // Serial parameters; created with the device, its PARENT set to the device. A record put
    // in their place gets this device as its PARENT, and the one it replaces loses it.
    std::shared_ptr<cls_DeviceComsettings> SETTINGSCOM() const { return settingsCom_; }
    void SETTINGSCOM(std::shared_ptr<cls_DeviceComsettings> v);

  private:
    std::shared_ptr<cls_DeviceInfo> info_;
    std::shared_ptr<cls_DeviceComsettings> settingsCom_;
};

}  // namespace vodex
