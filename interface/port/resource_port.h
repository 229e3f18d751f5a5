// The hidden host of a serial control. Each port object has one of its own; each thread has
// one more, the shared probe, whose table of port answers is filled at the thread's first
// CHECK and kept.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tlx/comm_control.h"

namespace vodex {

class frm_ResourcePort {
  public:
    frm_ResourcePort() : ctrl_Port(std::make_shared<tlx::CommControl>()) {}

    std::shared_ptr<tlx::CommControl> ctrl_Port;
    bool probed = false;
    std::array<bool, 33> available{};  // by port number; 0 is never used
};

// The calling thread's shared probe.
frm_ResourcePort& SharedProbeForm();

// Whether `pPort` can be opened on `control`: closes the control's port, sets the number,
// opens and closes again. With `trapAll` every step's error only makes the answer False;
// otherwise an error of closing or of the port number reaches the caller. Why it cannot be
// opened goes to `why` when that is given.
bool ProbePort(tlx::CommControl& control, std::int32_t pPort, bool trapAll, std::string* why);

}  // namespace vodex
