// The serial-port probe of the core library: whether a port number stands for a serial port
// that is present on this machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tlx/object.h"

namespace tlx {

class cls_CorePortProbe : public Object {
  public:
    // Whether port `pPort` (1 to 32) is present: its device path exists and is a serial
    // device. Hardware ports are recognised from the kernel's device tree without being
    // opened (so no modem line of an attached instrument moves, and no other kind of device
    // is ever opened); a port of the serial core needs a known UART. A pseudo-terminal is
    // opened without waiting and without becoming the controlling terminal, and closed again
    // at once. A port across the network is present when a connection to its server can be
    // made within a second. Never throws.
    bool PRESENT(std::int32_t pPort) const;
    // PRESENT for ports 1 to `highest` (at most 32), at index port number (index 0 is False);
    // the servers of ports across the network are all asked at once.
    static std::vector<bool> PresentPorts(std::int32_t highest);
    // The same test for a device path.
    static bool IsSerialDevice(const std::string& pPath);
};

}  // namespace tlx
