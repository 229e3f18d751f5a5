// The part every serial driver of the toolkit shares: the driver object made with its device
// (its events going to the driver), the interfaces it answers to, AutoPort answered as
// AutoSense, and disconnecting and destroying as closing the port. A driver derives from
// SerialDriver<itself>, makes SerialDriver<itself> a friend (it makes the driver with the
// driver's private constructor and calls its Describe), and implements the rest of the events.
// Header-only, installed with the toolkit's headers.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "tlx/dispatch.h"
#include "tlx/error.h"
#include "vodex/core/device.h"
#include "vodex/core/tmp_device.h"
#include "vodex/enums.h"
#include "vodex/interface_ids.h"
#include "vodex/port/vq_port.h"

namespace vodex::drivers {

template <class Driver>
class SerialDriver : public tlx::Object,
                     public int_DeviceEvents,
                     public tmp_Device,
                     public tlx::Dispatch,
                     public std::enable_shared_from_this<Driver> {
  public:
    // A driver with its device, described by the driver's Describe.
    static std::shared_ptr<Driver> Create() {
        std::shared_ptr<Driver> driver(new Driver());
        driver->device_ = std::make_shared<int_Device>();
        driver->Describe();
        if (!driver->device_->WithEvents(driver)) {
            throw tlx::Error("the device is handled by another driver");
        }
        driver->device_->PARENT(driver);
        return driver;
    }

    std::shared_ptr<int_Device> DEVICE() const override { return device_; }
    std::span<const std::string_view> INTERFACEIDS() const override { return iid::tmp_Device; }

    void DeviceAutoPort(bool& rDone, bool& rSuccess, std::int32_t& rPort) override {
        static_cast<Driver*>(this)->DeviceAutosense(rDone, rSuccess, rPort);
    }
    void DeviceDisconnect(bool& rSuccess) override {
        port_.DISCONNECT();
        connected_ = false;
        rSuccess = true;
        if (device_) device_->STATUS(ID_DeviceStatus_Off);
    }
    void DeviceDestroy() override {
        port_.DISCONNECT();
        connected_ = false;
    }

  protected:
    SerialDriver() = default;

    std::shared_ptr<int_Device> device_;
    cls_VQPort port_;
    bool connected_ = false;  // the instrument answered on the port, which is held open
};

}  // namespace vodex::drivers
