// The device manager: the devices in use, so that the parts of a client program that measure
// with the same driver on the same port share one device and one connection. The first request
// for a driver and port creates and connects the device; later ones share it and raise its use
// count; DEINIT lowers the count and disconnects and forgets the device at zero. 30 slots.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tlx/object.h"
#include "tlx/variant.h"
#include "vodex/core/device.h"

namespace vodex {

class cls_DeviceManager : public tlx::Object {
  public:
    std::span<const std::string_view> INTERFACEIDS() const override;
    static constexpr std::size_t kSlots = 30;

    // BUILD of the shared driver registry.
    std::int32_t BUILD() const;
    // Slots in use.
    std::int32_t COUNT() const;
    // The shared device for `pClass` and `pPort` ("-" stands for no driver: `pCombineDevice`
    // comes back and no slot is taken). Nothing, after a message, when all slots are taken;
    // tlx::Error when the registry yields no device.
    std::shared_ptr<int_Device> CREATE(const std::string& pClass, std::int32_t pPort,
                                       const std::shared_ptr<int_Device>& pCombineDevice = nullptr);
    // Gives back one request; at a use count of 0 the device is disconnected and forgotten.
    bool DEINIT(const std::string& pName, std::int32_t pPort);
    bool ONLINE(const std::string& pName, std::int32_t pPort) const;
    void OVERVIEW() {}
    // By name (a text with `pForceIndex` False: the first slot, used or not, whose name it is)
    // or as the n-th slot in use.
    std::shared_ptr<int_Device> Item(const tlx::Variant& pID, bool pForceIndex = true) const;
    // DESTROY of every device in use; every slot free.
    void DEINITALL();
    // DEINITALL, then no more slots.
    void DESTROY();

  private:
    struct Slot {
        std::string name;
        std::int32_t port = 0;
        std::int32_t useCount = 0;
        std::shared_ptr<int_Device> device;
        bool inUse = false;
        std::string portName;
    };
    Slot* Find(const std::string& name, std::int32_t port);
    const Slot* Find(const std::string& name, std::int32_t port) const;

    std::array<Slot, kSlots> slots_;
    bool destroyed_ = false;
};

}  // namespace vodex
