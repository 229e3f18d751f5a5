// The driver for laboratory balances with the standard interface command set (level 0 and 1)
// on a serial port: one channel, the mass in g. Connecting opens the port with the device's
// communication settings (9600 8N1 unless the user stored others for the type) and asks the
// balance for its serial number; a balance that does not answer is not connected. Each
// measuring cycle asks for the weight at once (SI): a stable weight is measured, a moving one
// reads busy, over- and underload their error statuses, and no answer or one that makes no
// sense the unknown error, with the device's status at error (and DEBUGINFO saying why) until
// an answer makes sense again. A port that fails or whose device goes is opened anew each
// cycle, so a balance that comes back is measured again by itself. Zeroing is
// SWITCH(ID_DeviceSwitch_Zero). Its setup screen is its serial settings; a connected balance
// is reached again with what the user confirmed. Detection asks all available ports of the device's
// port list for the serial number at once; the first in the list that answers wins.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tlx/cominfo_class.h"
#include "tlx/dispatch.h"
#include "vodex/core/device.h"
#include "vodex/core/tmp_device.h"
#include "vodex/drivers/serial_driver.h"
#include "vodex/port/vq_port.h"

namespace vodex::balance {

class cls_Balance : public drivers::SerialDriver<cls_Balance> {
  public:
    void DeviceExecute() override;
    void DeviceSwitch(bool& rSuccess, std::int32_t pSwitch, bool pStatus, double pFlag1,
                      double pFlag2, const tlx::Variant& pData) override;
    // Late-bound (the serial drivers' own): DEVICE; TIMEOUT, the seconds an answer may take
    // (default 1).

  private:
    friend class drivers::SerialDriver<cls_Balance>;
    cls_Balance() = default;
    void Describe();
    // The device's communication settings as a settings text.
    std::string SettingsText() const;
    // One request and its answer line on `port`; "" when none came in time, or when the port
    // failed (then portFailure_ says why).
    std::string Ask(cls_VQPort& port, const std::string& command);
    // Opens `port` and asks the balance for its serial number: whether it answered. Otherwise
    // the port is closed again and DEBUGINFO says why.
    bool Reach(std::int32_t port);
    // The first available port of the device's list whose balance answers, or nothing.
    std::optional<std::int32_t> Search();
    // Whether the balance on the port held still gives its serial number.
    bool StillThere();

    std::string portFailure_;  // why the port failed in the last Ask; "" for none
};

// The component information of the driver.
class inf_Balance : public tlx::ComInfoClass {
  public:
    inf_Balance();
};

std::shared_ptr<tlx::cls_CorePicture> ProductPicture();
std::shared_ptr<tlx::cls_CorePicture> IconPicture();

}  // namespace vodex::balance
