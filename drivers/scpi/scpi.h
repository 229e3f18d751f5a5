// The driver for bench and logging multimeters that answer SCPI commands on a serial line
// (RS-232 or USB-serial; 9600 8N1 unless the user stored other settings for the type), one
// channel per measuring function: DC and AC voltage, DC and AC current, resistance, frequency
// and temperature. Connecting asks the meter who it is (*IDN?: maker, model, serial number,
// firmware; kept, shown in DEBUGINFO and as the late-bound IDENTITY) and clears its error
// queue; a meter that does not answer so is not connected. Each cycle measures every channel
// marked to measure with MEAS:<function>? AUTO. An overload (9.9E37) is the channel's range
// error, never a value; an answer that is no reading asks the meter's error queue (SYST:ERR?):
// an error the meter names (a function it lacks) is that channel's error and the device's
// DEBUGINFO while the other channels go on; no answer, or one that makes no sense, puts the
// device in error. A port that fails or whose device goes is opened anew each cycle. Detection asks
// every available port of the device's list at once for the identity; a port counts when the answer
// has four comma-separated fields.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "scpi_protocol.h"
#include "tlx/cominfo_class.h"
#include "tlx/dispatch.h"
#include "vodex/core/device.h"
#include "vodex/core/tmp_device.h"
#include "vodex/drivers/serial_driver.h"
#include "vodex/port/vq_port.h"

namespace vodex::scpi {

class cls_Scpi : public drivers::SerialDriver<cls_Scpi> {
  public:
    void DeviceExecute() override;

    // Late-bound: DEVICE; IDENTITY, the connected meter's "maker,model,serial,firmware" ("" when
    // none); TIMEOUT, the seconds an answer may take (default 1).
    tlx::Variant GetProperty(std::string_view name) override;

  private:
    friend class drivers::SerialDriver<cls_Scpi>;
    cls_Scpi() = default;
    void Describe();
    // One command and its answer line; "" when none came in time or the port failed (then
    // portFailure_ says why).
    std::string Ask(const std::string& command);
    // Sends a command that has no answer.
    bool Tell(const std::string& command);
    // Opens `port` and asks the meter who it is: whether it answered so.
    bool Reach(std::int32_t port);
    enum class Outcome { Measured, MeterRefused, DeviceFailed };
    // Measures channel `id` with its function (when it is to be measured): measured (a value,
    // or an overload); refused by the meter, whose reason is kept in meterError_; or no answer
    // that makes sense, which puts the device in error.
    Outcome Measure(std::int32_t id, const FunctionInfo& function);
    // The oldest entry of the meter's error queue as a message, when there is one.
    std::optional<std::string> MeterError();
    std::optional<std::int32_t> Search();
    // Whether the meter on the port held still says who it is.
    bool StillThere();

    std::optional<Identity> identity_;
    std::string portFailure_;
    std::string meterError_;  // what the meter said of a channel it refused in this cycle
};

class inf_Scpi : public tlx::ComInfoClass {
  public:
    inf_Scpi();
};

std::shared_ptr<tlx::cls_CorePicture> ProductPicture();
std::shared_ptr<tlx::cls_CorePicture> IconPicture();

}  // namespace vodex::scpi
