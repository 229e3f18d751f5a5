// The objects a client starts with: the entry object sys_Device (its DEVICE is the thread's
// shared driver registry, its DEVICEMAN a device manager of its own), and the library's
// component information, inf_DeviceInterface.
#pragma once

#include <memory>

#include "tlx/cominfo.h"
#include "tlx/object.h"
#include "vodex/core/device_manager.h"
#include "vodex/core/device_tool.h"

namespace vodex {

class sys_Device : public tlx::Object {
  public:
    std::span<const std::string_view> INTERFACEIDS() const override;
    sys_Device();

    std::shared_ptr<cls_DeviceTool> DEVICE() const { return device_; }
    void DEVICE(std::shared_ptr<cls_DeviceTool> v) { device_ = std::move(v); }
    // Made on first use.
    std::shared_ptr<cls_DeviceManager> DEVICEMAN();
    void DEVICEMAN(std::shared_ptr<cls_DeviceManager> v) { manager_ = std::move(v); }
    std::shared_ptr<cls_DeviceTool> DEVICETOOL() const { return device_; }

  private:
    std::shared_ptr<cls_DeviceTool> device_;
    std::shared_ptr<cls_DeviceManager> manager_;
};

// The calling thread's shared entry object, for clients that use sys_Device without making
// one.
std::shared_ptr<sys_Device> SysDevice();

class inf_DeviceInterface : public tlx::Object, public tlx::tmp_COMInfo {
  public:
    std::span<const std::string_view> INTERFACEIDS() const override;
    // Made on first read: the library's file, "VQ\DEVICES\INTERFACE", "2.0", "Devices", the
    // title, the maker, 5 December 2001 and the library's icon.
    std::shared_ptr<tlx::cls_CoreComInfo> COMINFO() override;
    void COMINFO(std::shared_ptr<tlx::cls_CoreComInfo> pInfo) override { info_ = std::move(pInfo); }

  private:
    std::shared_ptr<tlx::cls_CoreComInfo> info_;
};

}  // namespace vodex
