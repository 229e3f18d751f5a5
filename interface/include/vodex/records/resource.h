// The library's per-thread resource object: the serial port presence table, the device cache
// of the driver registry and the library's pictures. One per thread, made on first use by
// Resource(); nothing is shared between threads.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tlx/picture.h"

namespace vodex {

class int_Device;

class frm_Resource {
  public:
    // Answers whether a serial port number is present.
    using PortProbe = std::function<bool(std::int32_t)>;

    frm_Resource();

    // Whether serial port `pPort` is present. The first call (and the first after
    // hCacheClear) probes ports 1 to "PortMax" of the machine hive (32 when it is absent,
    // below 1 or above 32) and keeps the answers; later calls answer from the table. Ports
    // above the probed range and numbers outside 0 to 100 read False. Never throws.
    bool hPortCheck(std::int32_t pPort);
    // Marks the table out of date, so that the next hPortCheck probes again.
    void hCacheClear() { valid_ = false; }

    // The probe of this thread's table (the core library's serial-port probe unless replaced,
    // which tests do to count probes; an empty one puts the core library's back); returns the
    // one it replaces.
    PortProbe SetPortProbe(PortProbe probe);

    // The device cache: the first device stored under `pClass` (compared upper-cased), or
    // nothing.
    std::shared_ptr<int_Device> hDeviceFind(const std::string& pClass) const;
    // Appends `pObject` under `pClass` upper-cased; an entry of the same name stays.
    void hDeviceCache(const std::string& pClass, std::shared_ptr<int_Device> pObject);

    // The first picture of the library's image list.
    std::shared_ptr<tlx::cls_CorePicture> LibraryIcon() const;

  private:
    std::array<bool, 101> present_{};
    bool valid_ = false;
    PortProbe probe_;
    // Two parallel lists from position 0, which is never used.
    std::vector<std::string> cacheNames_{""};
    std::vector<std::shared_ptr<int_Device>> cacheDevices_{nullptr};
};

// The calling thread's resource object.
frm_Resource& Resource();

// The highest serial port number to look at: "PortMax" of the machine hive, 32 when it is
// absent, unreadable, below 1 or above 32.
std::int32_t hPortMax();

}  // namespace vodex
