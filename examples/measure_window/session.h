// What the sample measuring program does, without its window: choose a driver and its port
// and channel through the library's dialogs, connect through the device manager (the
// connection checklist when that fails), measure on each cycle, keep every channel's recent
// readings (a missing reading kept as a gap, each with the channel's name and unit then), and
// save the shown channel's readings as CSV.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "vodex/core/device.h"
#include "vodex/core/sys_device.h"

namespace vodex::example {

class MeasureSession {
  public:
    struct Row {
        std::string channel;
        std::string value;  // the reading with its unit, or the channel's short status text
    };
    struct Reading {
        double seconds;      // since connecting
        double value;        // not a number: no reading (the device or channel had none)
        std::string status;  // the channel's status text
        std::string name;    // the channel's name and unit then: a meter's rotary switch
        std::string unit;    // may change them from one reading to the next
    };

    MeasureSession();
    ~MeasureSession();

    // USERSELECT, then SETTINGS on the chosen driver: whether both were confirmed. The
    // settings offer the port chosen before.
    bool Choose();
    // The driver, port and channel given, without asking (for the pictures).
    void Use(std::string driverClass, std::int32_t port, std::int32_t channel);
    // Connects the chosen driver on the chosen port; on failure shows the connection
    // checklist and answers False. The readings of an earlier connection are let go first.
    bool Connect();
    void Disconnect();
    bool Connected() const { return device_ != nullptr; }
    // One measuring cycle at `seconds` since connecting.
    void Cycle(double seconds);
    // The communication settings of the chosen driver's device: of the connected device, else
    // of a device of the driver made for it (its driver's settings, not a description's).
    bool CommunicationSettings();

    const std::string& DriverClass() const { return class_; }
    std::int32_t Port() const { return port_; }
    std::string DeviceName() const;
    // The chosen driver's device name from its description, before it is connected.
    const std::string& ChosenName() const { return chosenName_; }
    // The device's status text; with the driver's reason while it is in error.
    std::string StatusText() const;
    bool InError() const;
    std::vector<Row> Rows() const;

    // The channel whose readings the curve shows (a row of Rows()).
    std::size_t Shown() const { return shown_; }
    void Show(std::size_t row);
    std::string ShownName() const;
    std::string ShownUnit() const;
    // The shown channel's readings, the newest last, at most kKept.
    const std::deque<Reading>& Readings() const;
    // Where in Readings() the readings in the shown channel's present name and unit begin:
    // the curve shows those, never volts and ohms on one axis.
    std::size_t PresentFrom() const;
    static constexpr std::size_t kKept = 1200;
    // Writes the shown channel's readings as CSV (time, value, unit, status); False with
    // `why` when the file cannot be written.
    bool SaveCsv(const std::string& file, std::string& why) const;

    // Whether the connected device scans wavelengths (a photometer), and its range and
    // interval in nm.
    bool CanScan() const;
    double WaveStart() const;
    double WaveEnd() const;
    double WaveInterval() const;
    // Scans from `from` to `to` nm in steps of `step` into the spectrum; False when the scan
    // was refused, stopped (tlx::CancelWaits) or broken off, with the reason in StatusText().
    // The points so far stay.
    bool Scan(double from, double to, double step);
    // The spectrum as the device's data field holds it now: (nm, absorbance) in order. Taken
    // anew by TakeSpectrum, also while a scan runs.
    const std::vector<std::pair<double, double>>& Spectrum() const { return spectrum_; }
    void TakeSpectrum();
    // Writes the spectrum as CSV (wavelength, absorbance); False with `why` when the file
    // cannot be written.
    bool SaveSpectrumCsv(const std::string& file, std::string& why) const;

  private:
    // Gives the device back to the manager.
    void Release(const std::shared_ptr<int_Device>& device);

    std::shared_ptr<sys_Device> entry_;
    std::string class_;
    std::string chosenName_;
    std::int32_t port_ = 0;
    std::int32_t channel_ = 0;
    std::shared_ptr<int_Device> device_;
    std::vector<std::deque<Reading>> readings_;  // by channel position
    std::size_t shown_ = 0;
    std::vector<std::pair<double, double>> spectrum_;
    std::string scanTrouble_;  // why the last scan did not end well ("" when it did)
};

}  // namespace vodex::example
