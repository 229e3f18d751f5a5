#include "vodex/core/device.h"

namespace vodex {

int_Device::int_Device() : settingsCom_(std::make_shared<cls_DeviceComsettings>()) {
    settingsCom_->PARENT(this);
}

int_Device::~int_Device() {
    // Settings that outlive their device must not refer to it.
    if (settingsCom_ && settingsCom_->PARENT() == this) settingsCom_->PARENT(nullptr);
}

void int_Device::SETTINGSCOM(std::shared_ptr<cls_DeviceComsettings> v) {
    if (settingsCom_ && settingsCom_->PARENT() == this) settingsCom_->PARENT(nullptr);
    settingsCom_ = std::move(v);
    if (settingsCom_) settingsCom_->PARENT(this);
}

std::shared_ptr<cls_DeviceInfo> int_Device::INFO() {
    if (!info_) info_ = std::make_shared<cls_DeviceInfo>();
    return info_;
}

}  // namespace vodex
