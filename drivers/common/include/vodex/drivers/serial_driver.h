// The part every serial driver of the toolkit shares: the driver object made with its device
// (its events going to the driver), the interfaces it answers to, detection (AutoSense and
// AutoPort alike: the instrument on the port held is asked first, since a search cannot open
// that port again, then the driver's search), the communication settings as the setup screen,
// the late-bound DEVICE and TIMEOUT (the seconds an answer may take; a driver sets its own
// default in timeout_), and disconnecting and destroying as closing the port. A driver derives
// from SerialDriver<itself> and makes it a friend; it gives Describe() (with DescribeAs for what
// serial drivers describe alike), StillThere() (whether
// the instrument still answers on the port held), Search() (the first port where one answers)
// and Reach(port) (opens the port and finds the instrument: whether it did; connecting is
// that), and the rest of the events.
// Header-only, installed with the toolkit's headers.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "tlx/dispatch.h"
#include "tlx/error.h"
#include "tlx/text.h"
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
    // A driver with its device, described by the driver's Describe; `args` go to the driver's
    // constructor.
    template <class... Args>
    static std::shared_ptr<Driver> Create(Args&&... args) {
        std::shared_ptr<Driver> driver(new Driver(std::forward<Args>(args)...));
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

    void DeviceAutosense(bool& rDone, bool& rSuccess, std::int32_t& rPort) override {
        if (!device_) return;
        rDone = true;
        Driver& driver = static_cast<Driver&>(*this);
        if (connected_ && driver.StillThere()) {
            rSuccess = true;
            rPort = device_->PORT();
            return;
        }
        if (const std::optional<std::int32_t> found = driver.Search()) {
            rSuccess = true;
            rPort = *found;
        }
    }
    void DeviceAutoPort(bool& rDone, bool& rSuccess, std::int32_t& rPort) override {
        DeviceAutosense(rDone, rSuccess, rPort);
    }
    // Connecting is reaching the instrument on the port, its channels started afresh: the
    // device is ready when it answers, in error when not.
    void DeviceConnect(bool& rSuccess, std::int32_t pPort) override {
        if (!device_) return;
        device_->STATUS(ID_DeviceStatus_Init);
        device_->CHANNELS()->RESET();
        rSuccess = static_cast<Driver&>(*this).Reach(pPort);
        device_->STATUS(rSuccess ? ID_DeviceStatus_Ready : ID_DeviceStatus_Error);
    }
    // The setup screen is the communication settings; a connected instrument is reached again
    // with what the user confirmed.
    void ZarivuZarudScreen(bool& rDone) override {
        if (!device_) return;
        rDone = device_->SHOWSETTINGSCOM();
        if (!rDone || !connected_) return;
        port_.DISCONNECT();
        if (!static_cast<Driver&>(*this).Reach(device_->PORT())) {
            device_->STATUS(ID_DeviceStatus_Error);
        }
    }
    tlx::Variant GetProperty(std::string_view name) override {
        if (tlx::EqualsNoCase(name, "DEVICE")) return tlx::Variant(device_);
        if (tlx::EqualsNoCase(name, "TIMEOUT")) return tlx::Variant(timeout_);
        return Dispatch::GetProperty(name);
    }
    void SetProperty(std::string_view name, const tlx::Variant& value) override {
        if (tlx::EqualsNoCase(name, "TIMEOUT")) {
            timeout_ = Seconds(value, "the time-out of the instrument");
        } else {
            Dispatch::SetProperty(name, value);
        }
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

    // What a serial driver's description holds besides its line and channels.
    struct Profile {
        std::int32_t category = 0;
        std::string name;
        std::string manufacturer = "Vodex";
        std::string description;
        std::string identifier;
        std::shared_ptr<tlx::cls_CorePicture> image;
        std::shared_ptr<tlx::cls_CorePicture> icon;
        bool sureDetection = true;
        bool setZero = false;
        bool setupScreen = true;
    };
    // Describes the device as `d` says; every serial driver detects its instrument on the
    // free ports, finds its port by itself and recognises no channel.
    void DescribeAs(const Profile& d) {
        const auto info = device_->INFO();
        info->CATEGORY(d.category);
        info->NAME(d.name);
        info->MANUFACTURER(d.manufacturer);
        info->DESCRIPTION(d.description);
        info->IDENTIFIER(d.identifier);
        info->IMAGE(d.image);
        info->ICON(d.icon);
        info->AUTOSENSE(true);
        info->AUTOSENSESURE(d.sureDetection);
        info->AUTOPORT(true);
        info->AUTOCHANNEL(false);
        info->SETZERO(d.setZero);
        info->SETUPSCREEN(d.setupScreen);
    }

    // `value` as a number of seconds, more than 0 and at most 60; throws tlx::Error naming
    // `what` otherwise.
    static double Seconds(const tlx::Variant& value, const std::string& what) {
        const double seconds = value.ToDouble();
        if (!(seconds > 0 && seconds <= 60)) {
            throw tlx::Error(what + " is more than 0 and at most 60 s");
        }
        return seconds;
    }

    std::shared_ptr<int_Device> device_;
    cls_VQPort port_;
    bool connected_ = false;  // the instrument answered on the port, which is held open
    double timeout_ = 1.0;    // seconds an answer may take
};

}  // namespace vodex::drivers
