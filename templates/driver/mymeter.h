// The driver of the template: one instrument on a serial port, one channel. Connecting opens
// the port and asks the instrument who it is; an instrument that does not answer is not
// connected. Each measuring cycle asks for a reading at once. A port that fails or whose device
// goes is opened anew in the following cycles, so an instrument that comes back is measured
// again by itself. Detection asks the available ports of the device's port list at once; the
// first in the list that answers wins.
//
// CHANGE: the names MyMeter, MYMETER and mymeter, here, in the other sources and in
// CMakeLists.txt (README.md shows one command for all of them).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "tlx/cominfo_class.h"
#include "tlx/dispatch.h"
#include "vodex/core/device.h"
#include "vodex/core/tmp_device.h"
#include "vodex/port/vq_port.h"

namespace mymeter {

class cls_MyMeter : public tlx::Object,
                    public vodex::int_DeviceEvents,
                    public vodex::tmp_Device,
                    public tlx::Dispatch {
  public:
    // A driver with its device: information, channel and ports filled in.
    static std::shared_ptr<cls_MyMeter> Create();

    std::shared_ptr<vodex::int_Device> DEVICE() const override { return device_; }

    // The events this driver answers; the others keep the device's presets.
    void DeviceConnect(bool& rSuccess, std::int32_t pPort) override;
    void DeviceDisconnect(bool& rSuccess) override;
    void DeviceExecute() override;
    void DeviceAutosense(bool& rDone, bool& rSuccess, std::int32_t& rPort) override;
    void DeviceAutoPort(bool& rDone, bool& rSuccess, std::int32_t& rPort) override;
    void DeviceDestroy() override;

    // Late-bound: DEVICE, which the toolkit reads to get the device of a new driver.
    tlx::Variant GetProperty(std::string_view name) override;
    std::span<const std::string_view> INTERFACEIDS() const override;

  private:
    cls_MyMeter() = default;
    // Fills in the device's information, channel and ports.
    void Describe();
    // Sends one command and gives its answer line; "" when none came in time, or when the
    // port failed (then portFailure_ says why).
    std::string Ask(std::string_view command);
    // Opens `port` and asks the instrument who it is: whether it answered. Otherwise the port
    // is closed again and DEBUGINFO says why.
    bool Reach(std::int32_t port);

    std::shared_ptr<vodex::int_Device> device_;
    vodex::cls_VQPort port_;
    bool connected_ = false;
    std::string portFailure_;  // why the port failed in the last Ask; "" for none
};

// The component information of the driver.
class inf_MyMeter : public tlx::ComInfoClass {
  public:
    inf_MyMeter();
};

}  // namespace mymeter
