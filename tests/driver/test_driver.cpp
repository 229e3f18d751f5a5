// A driver for tests of the driver contract, loaded like any driver. Tests script its answers
// through late-bound properties named "<Event>.<argument>" (as "DeviceConnect.rSuccess");
// besides the arguments, "<Event>.STATUS" and "<Event>.PORT" are written into the device,
// "<Event>.THROW" makes the handler fail, and "<Event>.DESTROY" makes it destroy its device.
// An event without any scripted answer is left unhandled, so its results keep the device's
// presets. "LOG" reads every event raised, in order, with its arguments.
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tlx/component.h"
#include "tlx/dispatch.h"
#include "tlx/error.h"
#include "tlx/text.h"
#include "vodex/core/device.h"
#include "vodex/core/tmp_device.h"
#include "vodex/interface_ids.h"

namespace {

using tlx::Variant;

class cls_TestDriver : public tlx::Object,
                       public vodex::int_DeviceEvents,
                       public vodex::tmp_Device,
                       public tlx::Dispatch,
                       public std::enable_shared_from_this<cls_TestDriver> {
  public:
    static std::shared_ptr<cls_TestDriver> Create() {
        std::shared_ptr<cls_TestDriver> driver(new cls_TestDriver());
        driver->device_ = std::make_shared<vodex::int_Device>();
        driver->device_->WithEvents(driver);
        driver->device_->PARENT(driver);
        driver->device_->INFO()->NAME("Testwandler");
        driver->device_->INFO()->IDENTIFIER("TST");
        return driver;
    }

    std::shared_ptr<vodex::int_Device> DEVICE() const override { return device_; }

    void DeviceExecute() override { Log("DeviceExecute"); }
    void ZarivuZarudScreen(bool& rDone) override {
        Log("ZarivuZarudScreen");
        Answer("ZarivuZarudScreen", "rDone", rDone);
    }
    void DeviceConnect(bool& rSuccess, std::int32_t pPort) override {
        Log("DeviceConnect(" + std::to_string(pPort) + ", PORT " + std::to_string(device_->PORT()) +
            ")");
        Answer("DeviceConnect", "rSuccess", rSuccess);
        Effects("DeviceConnect");
    }
    void DeviceDisconnect(bool& rSuccess) override {
        Log("DeviceDisconnect");
        Answer("DeviceDisconnect", "rSuccess", rSuccess);
        Effects("DeviceDisconnect");
    }
    void DeviceSwitch(bool& rSuccess, std::int32_t pSwitch, bool pStatus, double pFlag1,
                      double pFlag2, const Variant& pData) override {
        Log("DeviceSwitch(" + std::to_string(pSwitch) + "," + (pStatus ? "T" : "F") + "," +
            Variant(pFlag1).ToText() + "," + Variant(pFlag2).ToText() + "," +
            (pData.IsMissing() ? "missing" : pData.ToText()) + ")");
        Answer("DeviceSwitch", "rSuccess", rSuccess);
    }
    void DeviceActivate(bool& rSuccess, const std::string& pCommandID, std::int32_t pActivation,
                        tlx::VariantArray& pParameters) override {
        std::string seen;
        for (std::int32_t i = pParameters.LBound(); i <= pParameters.UBound(); ++i) {
            seen += "," + pParameters[i].ToText();
            pParameters[i] = Variant("changed by the driver");
        }
        Log("DeviceActivate(" + pCommandID + "," + std::to_string(pActivation) + ",bounds " +
            std::to_string(pParameters.LBound()) + ".." + std::to_string(pParameters.UBound()) +
            seen + ")");
        Answer("DeviceActivate", "rSuccess", rSuccess);
    }
    void DevicePrepare() override { Log("DevicePrepare"); }
    void DeviceAutosense(bool& rDone, bool& rSuccess, std::int32_t& rPort) override {
        Log("DeviceAutosense");
        Answer("DeviceAutosense", "rDone", rDone);
        Answer("DeviceAutosense", "rSuccess", rSuccess);
        Answer("DeviceAutosense", "rPort", rPort);
    }
    void DeviceAutoPort(bool& rDone, bool& rSuccess, std::int32_t& rPort) override {
        Log("DeviceAutoPort");
        Answer("DeviceAutoPort", "rDone", rDone);
        Answer("DeviceAutoPort", "rSuccess", rSuccess);
        Answer("DeviceAutoPort", "rPort", rPort);
    }
    void DeviceAutoChannel(bool& rDone, bool& rSuccess, std::int32_t& rChannel) override {
        Log("DeviceAutoChannel");
        Answer("DeviceAutoChannel", "rDone", rDone);
        Answer("DeviceAutoChannel", "rSuccess", rSuccess);
        Answer("DeviceAutoChannel", "rChannel", rChannel);
    }
    void DeviceSettings(bool& rDone) override {
        Log("DeviceSettings");
        Answer("DeviceSettings", "rDone", rDone);
    }
    void DeviceSettingsComm(bool& rDone) override {
        Log("DeviceSettingsComm");
        Answer("DeviceSettingsComm", "rDone", rDone);
        Effects("DeviceSettingsComm");
    }
    void DeviceDestroy() override {
        Log("DeviceDestroy");
        Effects("DeviceDestroy");
    }

    Variant GetProperty(std::string_view name) override {
        if (tlx::EqualsNoCase(name, "DEVICE")) return Variant(device_);
        if (tlx::EqualsNoCase(name, "LOG")) {
            std::string all;
            for (const std::string& entry : log_)
                all += entry + ";";
            return Variant(all);
        }
        return Dispatch::GetProperty(name);
    }

    std::span<const std::string_view> INTERFACEIDS() const override {
        return vodex::iid::tmp_Device;
    }

    void SetProperty(std::string_view name, const Variant& value) override {
        if (tlx::EqualsNoCase(name, "LOG")) {
            log_.clear();
        } else if (std::string(name).find('.') != std::string::npos) {
            script_[tlx::FoldCase(name)] = value;
        } else {
            Dispatch::SetProperty(name, value);
        }
    }

  private:
    cls_TestDriver() = default;

    void Log(std::string entry) { log_.push_back(std::move(entry)); }

    const Variant* Scripted(const std::string& event, const char* argument) const {
        auto it = script_.find(tlx::FoldCase(event + "." + argument));
        return it == script_.end() ? nullptr : &it->second;
    }
    void Answer(const std::string& event, const char* argument, bool& result) const {
        if (const Variant* v = Scripted(event, argument)) result = v->ToBool();
    }
    void Answer(const std::string& event, const char* argument, std::int32_t& result) const {
        if (const Variant* v = Scripted(event, argument)) result = v->ToInt32();
    }
    // What a handler does to its device beyond its results, as scripted.
    void Effects(const std::string& event) {
        if (const Variant* v = Scripted(event, "STATUS")) device_->STATUS(v->ToInt32());
        if (const Variant* v = Scripted(event, "PORT")) device_->PORT(v->ToInt32());
        if (const Variant* v = Scripted(event, "THROW"); v && v->ToBool()) {
            throw tlx::Error("the test driver fails in " + event);
        }
        if (const Variant* v = Scripted(event, "DESTROY"); v && v->ToBool()) {
            script_.erase(tlx::FoldCase(event + ".DESTROY"));
            device_->DESTROY();
        }
    }

    std::shared_ptr<vodex::int_Device> device_;
    std::map<std::string, Variant> script_;
    std::vector<std::string> log_;
};

constexpr const char* kClasses[] = {"cls_TestDriver", nullptr};
constexpr tlx_component_version kVersion = {1, 0, 0, "7.12.2026", "Testwandler", 400};

int Create(const char* className, tlx::ObjectRef* out) {
    return tlx::ComponentCall([&] {
        if (!tlx::EqualsNoCase(className, "cls_TestDriver")) {
            throw tlx::Error(std::string("the component has no class '") + className + "'");
        }
        *out = cls_TestDriver::Create();
    });
}

}  // namespace

extern "C" {
__attribute__((visibility("default"))) extern const tlx_component_table tlx_component_entry;
const tlx_component_table tlx_component_entry = {
    TLX_COMPONENT_ABI,
    "Vodex_TestDriver",
    kClasses,
    &tlx::RegisterEntry<tlx_component_entry>,
    &tlx::UnregisterEntry<tlx_component_entry>,
    &Create,
    &kVersion,
};
}
