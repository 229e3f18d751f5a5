// The driver for handheld multimeters whose optical RS-232/USB cable streams the display as
// 14-byte packets (dmm14_protocol.h): read-only, 2400 baud 8N1, DTR on and RTS off (the cable
// is powered from them). One channel shows what the display shows; its unit and name follow
// the meter's rotary switch ("Gleichspannung" in V, "Widerstand" in Ω, ...), and its value is
// in the unit's base (12.34 mV reads 0.01234 V). "OL" is the channel's range error. Connecting
// waits for two whole packets within 1.5 s; each cycle takes the latest packet that arrived
// since the last (none: the channel is not measured in that cycle). No packet for 3 s puts the
// device in error until packets come again; a port that fails or whose device goes is opened
// anew each cycle. Detection listens to every available port of the device's list at once;
// a port counts when two whole packets arrive within 1.5 s.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "dmm14_protocol.h"
#include "tlx/cominfo_class.h"
#include "tlx/dispatch.h"
#include "vodex/core/device.h"
#include "vodex/core/tmp_device.h"
#include "vodex/drivers/serial_driver.h"
#include "vodex/port/vq_port.h"

namespace vodex::handheld_dmm {

class cls_HandheldDmm : public drivers::SerialDriver<cls_HandheldDmm> {
  public:
    void DeviceExecute() override;
    void ZarivuZarudScreen(bool& rDone) override;

    // Late-bound: DEVICE; TIMEOUT, how long connecting and detection listen for the two packets
    // that show a meter (default 1.5); SILENCE, the seconds without a packet after which the
    // device is in error (default 3).
    tlx::Variant GetProperty(std::string_view name) override;
    void SetProperty(std::string_view name, const tlx::Variant& value) override;

  private:
    using Clock = std::chrono::steady_clock;
    friend class drivers::SerialDriver<cls_HandheldDmm>;

    cls_HandheldDmm() { timeout_ = 1.5; }  // two packets come in it
    void Describe();
    // Opens `port` and waits for the meter's packets: whether two whole ones came.
    bool Reach(std::int32_t port);
    // The latest display among what has arrived; nothing when no whole packet did. Sets
    // portFailure_ when the port failed.
    std::optional<dmm14::Display> Latest();
    // The display of `packet` when the packet before it shows the same unit, prefix and modes.
    std::optional<dmm14::Display> Confirmed(const dmm14::Packet& packet);
    // Shows `display` on the channel.
    void Show(const dmm14::Display& display);
    std::optional<std::int32_t> Search();
    // Whether confirmed packets still come on the port held, listening up to 1.5 s.
    bool StillThere();

    dmm14::PacketReader reader_;
    std::optional<dmm14::Packet> previous_;  // the last whole packet, for the one after it
    std::optional<dmm14::Display> first_;    // the display seen while connecting
    bool unshown_ = false;                   // no cycle has measured it yet
    Clock::time_point lastPacket_{};
    std::string portFailure_;
    double silence_ = 3.0;
};

class inf_HandheldDmm : public tlx::ComInfoClass {
  public:
    inf_HandheldDmm();
};

std::shared_ptr<tlx::cls_CorePicture> ProductPicture();
std::shared_ptr<tlx::cls_CorePicture> IconPicture();

}  // namespace vodex::handheld_dmm
