// The dialog facade of a device (its DIALOG): the library's standard dialogs for that device.
// Every dialog is shown modally through the UI provider of the thread; without a window
// system nothing is shown and the answer is "not confirmed".
#pragma once

#include <memory>

#include "tlx/object.h"
#include "vodex/records/device_channel.h"

namespace vodex {

class int_Device;

class cls_DeviceDialog : public tlx::Object {
  public:
    // The owning device, set by the device object, which clears it again when it goes.
    int_Device* vParent() const { return parent_; }
    void vParent(int_Device* v) { parent_ = v; }

    // The range-error checklist for the device and `pChannel`; True when confirmed.
    bool RANGE(const std::shared_ptr<cls_DeviceChannel>& pChannel);
    // The connection-error checklist for the device; True when confirmed.
    bool CONNECTION();
    // The device information dialog.
    void INFO();
    // The driver's settings screen (event DeviceSettings); False without a device.
    bool SETTINGS();
    // The driver's setup screen (event ZarivuZarudScreen); False without a device.
    bool SETUPSCREEN();
    // The communication settings (the library's dialog or the driver's); False without one.
    bool SETTINGSCOM();

    std::span<const std::string_view> INTERFACEIDS() const override;

  private:
    int_Device* parent_ = nullptr;
};

}  // namespace vodex
