// The library's per-thread resource object: the serial port presence table (and, with the
// driver registry, the device cache). One per thread, made on first use by Resource(); nothing
// is shared between threads.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace vodex {

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
    // which tests do to count probes); returns the one it replaces.
    PortProbe SetPortProbe(PortProbe probe);

  private:
    std::array<bool, 101> present_{};
    bool valid_ = false;
    PortProbe probe_;
};

// The calling thread's resource object.
frm_Resource& Resource();

// The highest serial port number to look at: "PortMax" of the machine hive, 32 when it is
// absent, unreadable, below 1 or above 32.
std::int32_t hPortMax();

}  // namespace vodex
