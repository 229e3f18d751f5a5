#include "randomizer.h"

#include "tlx/error.h"
#include "tlx/pump.h"
#include "tlx/text.h"
#include "vodex/interface_ids.h"

namespace vodex::randomizer {
namespace {

constexpr float kDaySeconds = 86400;

bool Is(std::string_view name, std::string_view member) {
    return tlx::EqualsNoCase(name, member);
}

}  // namespace

std::shared_ptr<cls_Randomizer> cls_Randomizer::Create() {
    std::shared_ptr<cls_Randomizer> driver(new cls_Randomizer());
    Equip(driver);
    return driver;
}

void cls_Randomizer::Equip(const std::shared_ptr<cls_Randomizer>& driver) {
    auto device = std::make_shared<int_Device>();
    // The driver was built against the earlier interfaces of the device and its information.
    if (!device->Implements(iid::int_Device[1]) ||
        !device->INFO()->Implements(iid::cls_DeviceInfo[1])) {
        throw tlx::Error("the device interface library is too old for the random generator");
    }
    driver->device_ = device;
    driver->Describe();  // before the driver/device cycle exists, so a failure frees both
    driver->device_.reset();
    driver->DEVICE(device);
}

void cls_Randomizer::DEVICE(std::shared_ptr<int_Device> pDevice) {
    if (pDevice == device_) return;
    const auto self = shared_from_this();  // releasing the old device may release its last link
    if (pDevice && !pDevice->WithEvents(self)) {
        throw tlx::Error("the device is handled by another driver");
    }
    if (device_) {
        device_->WithoutEvents(this);
        if (device_->PARENT() == std::static_pointer_cast<tlx::Object>(self)) {
            device_->PARENT(nullptr);
        }
    }
    device_ = std::move(pDevice);
    if (device_) device_->PARENT(self);
}

std::span<const std::string_view> cls_Randomizer::INTERFACEIDS() const {
    return iid::tmp_Device;
}

void cls_Randomizer::Describe() {
    const std::shared_ptr<cls_DeviceInfo> info = device_->INFO();
    info->CATEGORY(ID_DevCat_Other);
    info->DESCRIPTION("Einfacher Zufallsgenerator");
    info->IDENTIFIER("ZFG");
    info->MANUFACTURER("DE Vedaruzo");
    info->NAME("Zufallsgenerator");
    info->SETUPSCREEN(false);
    info->IMAGE(ProductPicture());
    info->ICON(IconPicture());
    info->INFOURL("");
    info->AUTOSENSE(false);
    info->AUTOPORT(true);

    const std::shared_ptr<cls_DeviceChannels> channels = device_->CHANNELS();
    channels->CREATE(1, "pH a 0 - 14", "pH", 1.0, 0.0);
    channels->CREATE(2, "pH b 0 - 14", "pH", 1.0, 0.0);
    channels->CREATE(3, "LF 0 - 5 mS", "mS", 1.0, 0.0);
    channels->CREATE(4, "T 0 - 200", "T", 1.0, 0.0);
    channels->CREATE(5, "m -2 - 0g", "m", 1.0, 0.0);
    channels->CREATE(6, "GC -10 - 100", "GC", 1.0, 0.0);
    channels->CREATE(7, "Zahl 0 - 1", "", 1.0, 0.0);

    device_->PORTS()->CREATE(1, "Eingebaut", true);
}

void cls_Randomizer::Ztest(float& PStart, float& PDiff) {
    tlx::PumpMessages();
    const float now = state_.clock.Now();
    if (now < PStart) PStart -= kDaySeconds;  // the start lay before midnight
    PDiff = now - PStart;
}

void cls_Randomizer::DeviceExecute() {
    if (device_) MeasuringCycle(*device_, state_);
}

void cls_Randomizer::ZarivuZarudScreen(bool& rDone) {
    rDone = true;
}

void cls_Randomizer::DeviceConnect(bool& rSuccess, std::int32_t /*pPort*/) {
    if (!device_) return;
    device_->STATUS(ID_DeviceStatus_Init);
    device_->CHANNELS()->RESET();
    state_.start = state_.clock.Now();
    rSuccess = true;
    device_->STATUS(ID_DeviceStatus_Ready);
}

void cls_Randomizer::DeviceDisconnect(bool& /*rSuccess*/) {
    if (!device_) return;
    device_->STATUS(ID_DeviceStatus_Off);
    device_->CHANNELS()->RESET();
}

void cls_Randomizer::DeviceSwitch(bool& rSuccess, std::int32_t, bool, double, double,
                                  const tlx::Variant&) {
    rSuccess = false;
}

void cls_Randomizer::DevicePrepare() {
    if (!device_) return;
    state_.start = 0;
    device_->EXECUTE();
}

void cls_Randomizer::DeviceAutoPort(bool& rDone, bool& rSuccess, std::int32_t& rPort) {
    rDone = true;
    rSuccess = true;
    rPort = 1;
}

tlx::Variant cls_Randomizer::GetProperty(std::string_view name) {
    if (Is(name, "DEVICE")) return tlx::Variant(device_);
    return Dispatch::GetProperty(name);
}

void cls_Randomizer::SetProperty(std::string_view name, const tlx::Variant& value) {
    if (Is(name, "DEVICE")) {
        DEVICE(value.As<int_Device>());
    } else {
        Dispatch::SetProperty(name, value);
    }
}

tlx::Variant cls_Randomizer::Invoke(std::string_view name, std::vector<tlx::Variant>& args) {
    if (Is(name, "GC") && args.size() == 2) {
        float x = static_cast<float>(args[0].ToDouble());
        double mw = args[1].ToDouble();
        GC(x, mw);
        args[0] = tlx::Variant(static_cast<double>(x));
        args[1] = tlx::Variant(mw);
        return {};
    }
    if (Is(name, "Ztest") && args.size() == 2) {
        float start = static_cast<float>(args[0].ToDouble());
        float diff = static_cast<float>(args[1].ToDouble());
        Ztest(start, diff);
        args[0] = tlx::Variant(static_cast<double>(start));
        args[1] = tlx::Variant(static_cast<double>(diff));
        return {};
    }
    return Dispatch::Invoke(name, args);
}

}  // namespace vodex::randomizer
