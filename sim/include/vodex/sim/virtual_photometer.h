// A virtual scanning photometer (the protocol of docs/drivers/photometer.md) with a solution of
// one or more absorption bands in its cuvette: each band a Gaussian with its centre, its
// absorbance at the centre and its full width at half height, with noise on every reading. A
// scan sends its points at the photometer's pace in lines of up to 20, and can be stopped.
// While its lamp warms up it refuses to measure.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vodex::sim {

class VirtualPhotometer {
  public:
    struct Band {
        double centre = 510;  // nm
        double peak = 0.8;    // absorbance at the centre
        double width = 30;    // nm, full width at half height
    };
    struct Options {
        std::string link;  // where the photometer's side appears ("" none)
        std::vector<Band> bands;
        double noise = 0.002;         // standard deviation of each absorbance
        double warmup = 0;            // seconds the lamp warms up after it is switched on
        double pointSeconds = 0.005;  // the time a scan takes per point
        std::string identity = "Vodex Messtechnik,VP-400,PH0815,1.2";
    };

    explicit VirtualPhotometer(Options options);
    ~VirtualPhotometer();
    VirtualPhotometer(const VirtualPhotometer&) = delete;
    VirtualPhotometer& operator=(const VirtualPhotometer&) = delete;

    std::string Path() const;
    std::string DevicePath() const;
    // The absorbance of the solution at `nm`, without noise.
    double Absorbance(double nm) const;
    // The wavelength set.
    double Wave() const;
    void SetSilent(bool on);
    // Sends bytes unasked; returns once they can be read on the port's side.
    void Send(const std::string& bytes);
    void Vanish();
    void Return();
    std::vector<std::string> Commands() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// A band as the command line gives it, "510:0.8:30" (centre, absorbance, width); throws
// std::invalid_argument for anything else.
VirtualPhotometer::Band ParseBand(const std::string& text);

}  // namespace vodex::sim
