// A measurement as a program without windows makes it (the command line, the demos): a
// driver's device made through the device manager of the thread's entry object and connected
// on a port (the one given, else the first port the driver describes), the chosen channels
// measured cycle by cycle, and the device released through the manager however the session
// ends. A driver that is not installed, or installed but broken beyond repair, is replaced by
// the built-in random generator with the registry's messages; Replaced() then says why, and the
// measurement counts as failed, since the driver asked for did not measure.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tlx/clock.h"
#include "vodex/core/device.h"

namespace vodex {

class cls_DeviceManager;

// The messages for a driver that is not installed, and for one that is but cannot be used,
// with the reason, in the interface language.
std::string DriverNotInstalledText(const std::string& pClass);
std::string DriverBrokenText(const std::string& pClass, const std::string& pWhy);

class MeasuringSession {
  public:
    // What one cycle found.
    struct Cycle {
        double seconds = 0;    // since the first cycle began
        bool inError = false;  // the device is in error after the cycle
        bool changed = false;  // it went into error, or answers again, with this cycle
        // The chosen channels whose name or unit changed with this cycle (a meter's rotary
        // switch turned), in the order chosen.
        std::vector<std::int32_t> renamed;
    };

    // Connects `pClass`'s device on `pPort` (its first port when none is given). Throws
    // tlx::Error naming the reason when no device can be made, or when it does not connect
    // (naming the port and what the device says).
    MeasuringSession(std::string pClass, std::optional<std::int32_t> pPort);
    // Releases the device through the manager, which disconnects it, then lets its driver go.
    ~MeasuringSession();
    MeasuringSession(const MeasuringSession&) = delete;
    MeasuringSession& operator=(const MeasuringSession&) = delete;

    // The driver that measures (the random generator when it stood in) and its port.
    const std::string& DriverClass() const { return class_; }
    std::int32_t Port() const { return port_; }
    // The port as messages name it ("COM 5 (/dev/ttyUSB0)").
    std::string Where() const;
    // Why the random generator measured in the place of the driver asked for; "" when it did
    // not.
    const std::string& Replaced() const { return replaced_; }
    int_Device& Device() const { return *device_; }
    // What the device says of its trouble: its debug information, else its status text.
    std::string Trouble() const;

    // Measures the channels `pIds` in that order (every channel when empty); tlx::Error for a
    // channel the device does not have.
    void Choose(const std::vector<std::int32_t>& pIds);
    // The channels measured, in their order.
    const std::vector<std::int32_t>& Channels() const { return ids_; }

    // One measuring cycle.
    Cycle Measure();
    bool InError() const { return inError_; }

  private:
    void Release() noexcept;
    // Each chosen channel's name and unit.
    std::vector<std::string> Named() const;

    std::string class_;
    std::int32_t port_ = 0;
    std::string replaced_;
    std::shared_ptr<cls_DeviceManager> manager_;
    std::shared_ptr<int_Device> device_;
    std::vector<std::int32_t> ids_;
    std::optional<tlx::cls_CoreTimer> started_;
    bool inError_ = false;
    std::vector<std::string> named_;  // each chosen channel's name and unit, as last shown
};

}  // namespace vodex
