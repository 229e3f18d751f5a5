#include "vodex/core/device_manager.h"

#include "tlx/error.h"
#include "tlx/text.h"
#include "tlx/tools.h"
#include "vodex/core/device_tool.h"
#include "vodex/interface_ids.h"

namespace vodex {
namespace {

std::string Key(const std::string& name) {
    return tlx::UCase(tlx::Trim(name));
}

// Lets go of a device that was made but is not needed after all, with its driver.
void Release(const std::shared_ptr<int_Device>& device) {
    try {
        device->DESTROY();
    } catch (...) {
    }
}

}  // namespace

std::span<const std::string_view> cls_DeviceManager::INTERFACEIDS() const {
    return iid::cls_DeviceManager;
}

std::int32_t cls_DeviceManager::BUILD() const {
    return DeviceTool()->BUILD();
}

std::int32_t cls_DeviceManager::COUNT() const {
    std::int32_t n = 0;
    for (const Slot& s : slots_)
        n += s.inUse ? 1 : 0;
    return n;
}

cls_DeviceManager::Slot* cls_DeviceManager::Find(const std::string& name, std::int32_t port) {
    for (Slot& s : slots_) {
        if (s.inUse && s.name == Key(name) && s.port == port) return &s;
    }
    return nullptr;
}

const cls_DeviceManager::Slot* cls_DeviceManager::Find(const std::string& name,
                                                       std::int32_t port) const {
    return const_cast<cls_DeviceManager*>(this)->Find(name, port);
}

std::shared_ptr<int_Device> cls_DeviceManager::CREATE(
    const std::string& pClass, std::int32_t pPort,
    const std::shared_ptr<int_Device>& pCombineDevice) {
    if (pClass == "-") return pCombineDevice;
    if (destroyed_) return nullptr;
    if (Slot* shared = Find(pClass, pPort)) {
        ++shared->useCount;
        return shared->device;
    }
    auto freeSlot = [this]() -> Slot* {
        for (Slot& s : slots_) {
            if (!s.inUse) return &s;
        }
        return nullptr;
    };
    auto tableFull = [] {
        tlx::CoreTools().DIALOGS().MESSAGE(
            "Das Maximum an benutzbaren Wandlern ist erreicht. Schliessen Sie ein oder mehrere "
            "Messungen und versuchen Sie es erneut!",
            "Fehler", tlx::MessageKind::Error);
    };
    if (!freeSlot()) {
        tableFull();
        return nullptr;
    }
    std::shared_ptr<int_Device> device = DeviceTool()->CREATE(pClass);
    if (!device) {
        throw tlx::Error("the driver '" + pClass + "' is missing or broken, so no device was made");
    }
    // Creating may have let window events run (a repair waits for the registration program,
    // messages wait for the user), and with them other requests to this manager: the table is
    // looked at afresh, so a driver and port never get two slots.
    if (destroyed_) {
        Release(device);
        return nullptr;
    }
    if (Slot* shared = Find(pClass, pPort)) {
        Release(device);
        ++shared->useCount;
        return shared->device;
    }
    Slot* slot = freeSlot();
    if (!slot) {
        Release(device);
        tableFull();
        return nullptr;
    }
    slot->useCount = 0;
    slot->device = device;
    const auto port = device->PORTS()->Item(pPort, false);
    slot->portName = port ? port->NAME() : std::string();
    slot->name = Key(pClass);
    slot->port = pPort;
    slot->useCount += 1;
    slot->inUse = true;
    device->CONNECT(pPort);  // a device that does not connect still takes its slot
    return device;
}

bool cls_DeviceManager::DEINIT(const std::string& pName, std::int32_t pPort) {
    if (pName == "-") return false;
    Slot* slot = Find(pName, pPort);
    if (!slot) return false;
    slot->useCount -= 1;
    if (slot->useCount > 0) return true;
    const std::shared_ptr<int_Device> device = std::move(slot->device);
    slot->device.reset();
    slot->inUse = false;
    if (device) device->DISCONNECT();
    return true;
}

bool cls_DeviceManager::ONLINE(const std::string& pName, std::int32_t pPort) const {
    return pName == "-" || Find(pName, pPort) != nullptr;
}

std::shared_ptr<int_Device> cls_DeviceManager::Item(const tlx::Variant& pID,
                                                    bool pForceIndex) const {
    if (!pForceIndex && pID.IsText()) {
        // Every slot's remembered name, in use or not: a freed slot keeps its name and yields
        // nothing.
        for (const Slot& s : slots_) {
            if (!s.name.empty() && s.name == Key(pID.Text())) return s.device;
        }
        return nullptr;
    }
    std::int32_t n = 0;
    try {
        n = pID.ToInt32();
    } catch (const tlx::Error&) {
        return nullptr;
    }
    for (const Slot& s : slots_) {
        if (s.inUse && --n == 0) return s.device;
    }
    return nullptr;
}

void cls_DeviceManager::DEINITALL() {
    for (Slot& s : slots_) {
        if (!s.inUse) continue;
        try {
            if (s.device) s.device->DESTROY();
        } catch (...) {
        }
        s.device.reset();
        s.useCount = 0;
        s.inUse = false;
    }
}

void cls_DeviceManager::DESTROY() {
    try {
        DEINITALL();
    } catch (...) {
    }
    slots_ = {};
    destroyed_ = true;
}

}  // namespace vodex
