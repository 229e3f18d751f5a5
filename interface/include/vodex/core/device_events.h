// The driver's side of the device object: the events that a device raises for each client
// call. A driver derives from int_DeviceEvents, overrides the events it supports and attaches
// itself to the device it created (int_Device::WithEvents). An event that the driver does not
// override leaves every by-reference argument at the device's preset.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tlx/variant.h"

namespace vodex {

class int_DeviceEvents {
  public:
    int_DeviceEvents() = default;
    int_DeviceEvents(const int_DeviceEvents&) = delete;
    int_DeviceEvents& operator=(const int_DeviceEvents&) = delete;
    virtual ~int_DeviceEvents();

    // 1 to 13, in the order of the event interface.
    virtual void DeviceExecute() {}
    virtual void ZarivuZarudScreen(bool& /*rDone*/) {}
    virtual void DeviceConnect(bool& /*rSuccess*/, std::int32_t /*pPort*/) {}
    virtual void DeviceDisconnect(bool& /*rSuccess*/) {}
    virtual void DeviceSwitch(bool& /*rSuccess*/, std::int32_t /*pSwitch*/, bool /*pStatus*/,
                              double /*pFlag1*/, double /*pFlag2*/, const tlx::Variant& /*pData*/) {
    }
    virtual void DeviceActivate(bool& /*rSuccess*/, const std::string& /*pCommandID*/,
                                std::int32_t /*pActivation*/, tlx::VariantArray& /*pParameters*/) {}
    virtual void DevicePrepare() {}
    virtual void DeviceAutosense(bool& /*rDone*/, bool& /*rSuccess*/, std::int32_t& /*rPort*/) {}
    virtual void DeviceAutoPort(bool& /*rDone*/, bool& /*rSuccess*/, std::int32_t& /*rPort*/) {}
    virtual void DeviceAutoChannel(bool& /*rDone*/, bool& /*rSuccess*/,
                                   std::int32_t& /*rChannel*/) {}
    virtual void DeviceSettings(bool& /*rDone*/) {}
    virtual void DeviceSettingsComm(bool& /*rDone*/) {}
    virtual void DeviceDestroy() {}

    // The identifiers of the event interface: the current one and two earlier ones.
    static std::span<const std::string_view> EVENTINTERFACEIDS();
};

}  // namespace vodex
