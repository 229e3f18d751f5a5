// The driver of the scanning photometer (340 to 1000 nm; its ASCII protocol in
// docs/drivers/photometer.md). Channels: absorbance and transmission at the wavelength set, and
// that wavelength. Activation commands (ACTIVATE, listed in SUPPORTEDACTIVATORS):
//   "WAVE", Set, {nm}:            sets the wavelength (the manual wave of its description);
//   "SCAN", On, {from, to, step}: scans into the data field, x the wavelength in nm and y the
//                                 absorbance, in order; a scan longer than one time-out goes on
//                                 as long as its lines keep coming, and a cancelled wait
//                                 (tlx::CancelWaits: the program's stop, Ctrl-C) stops it,
//                                 leaving the points measured so far;
//   "BLANK", On and "DARK", On:   the blank and dark references.
// A command it does not take, or a photometer that refuses one, answers False with the reason
// in DEBUGINFO. Detection asks every free port for the identity at once.
#pragma once

#include <memory>
#include <string>

#include "photometer_protocol.h"
#include "tlx/cominfo_class.h"
#include "tlx/dispatch.h"
#include "vodex/drivers/serial_driver.h"

namespace vodex::photometer {

class cls_Photometer : public drivers::SerialDriver<cls_Photometer> {
  public:
    void DeviceExecute() override;
    void DeviceActivate(bool& rSuccess, const std::string& pCommandID, std::int32_t pActivation,
                        tlx::VariantArray& pParameters) override;

    // Late-bound: DEVICE; IDENTITY, the connected photometer's four fields ("" when none);
    // TIMEOUT, the seconds an answer (or a scan's next line) may take (default 2); WAVELENGTH,
    // the wavelength set in nm; SCANNED and SCANPOINTS, the points of the last scan received
    // and expected.
    tlx::Variant GetProperty(std::string_view name) override;

  private:
    friend class drivers::SerialDriver<cls_Photometer>;
    cls_Photometer() { timeout_ = 2.0; }
    void Describe();
    // One command and its answer; an invalid answer when none came (portFailure_ says why when
    // the port failed).
    Answer Ask(const std::string& command);
    bool Reach(std::int32_t port);
    std::optional<std::int32_t> Search();
    bool StillThere();
    // Whether the answer is `expected`; else the reason goes to DEBUGINFO (the device in error
    // when the photometer gave no answer that makes sense).
    bool Expect(const Answer& answer, Answer::Kind expected, const std::string& command);
    bool SetWave(double nm);
    bool Scan(double from, double to, double step);
    void Fail(const std::string& why);

    std::string identity_;
    std::string portFailure_;
    double wave_ = 0;  // the wavelength set, as the photometer said it (0 before it said)
    std::int32_t scanned_ = 0;
    std::int32_t scanPoints_ = 0;
};

class inf_Photometer : public tlx::ComInfoClass {
  public:
    inf_Photometer();
};

std::shared_ptr<tlx::cls_CorePicture> ProductPicture();
std::shared_ptr<tlx::cls_CorePicture> IconPicture();

}  // namespace vodex::photometer
