#include "vodex/core/sys_device.h"

#include <dlfcn.h>

#include "vodex/interface_ids.h"
#include "vodex/records/resource.h"

namespace vodex {

sys_Device::sys_Device() : device_(DeviceTool()) {}

std::span<const std::string_view> sys_Device::INTERFACEIDS() const {
    return iid::sys_Device;
}

std::span<const std::string_view> inf_DeviceInterface::INTERFACEIDS() const {
    return iid::inf_DeviceInterface;
}

std::shared_ptr<cls_DeviceManager> sys_Device::DEVICEMAN() {
    if (!manager_) manager_ = std::make_shared<cls_DeviceManager>();
    return manager_;
}

std::shared_ptr<sys_Device> SysDevice() {
    thread_local std::shared_ptr<sys_Device> shared;
    if (!shared) shared = std::make_shared<sys_Device>();
    return shared;
}

std::shared_ptr<tlx::cls_CoreComInfo> inf_DeviceInterface::COMINFO() {
    if (!info_) {
        Dl_info library{};
        std::string file = "Vodex_Interface";
        if (::dladdr(reinterpret_cast<void*>(&SysDevice), &library) && library.dli_fname) {
            file = library.dli_fname;
        }
        info_ = std::make_shared<tlx::cls_CoreComInfo>();
        info_->FILL(file, "VQ\\DEVICES\\INTERFACE", "2.0", "Devices", "Videda Vuderirev Component",
                    "VQ Morvane", "5.12.2001");
        info_->ICON(Resource().LibraryIcon());
    }
    return info_;
}

}  // namespace vodex
