// The measuring cycle of the random-generator driver: seven channels that follow fixed curves
// over a time base of about 200 seconds, with a little noise. Kept apart from the driver's
// event handling, so that the cost of the event path can be measured against a direct call.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace vodex {
class int_Device;
}

namespace vodex::randomizer {

// Seconds since midnight, single precision, as the driver reads its clock. Tests fix it.
class DriverClock {
  public:
    float Now() const;
    void Fix(std::optional<double> seconds) { fixed_ = seconds; }
    const std::optional<double>& Fixed() const { return fixed_; }

  private:
    std::optional<double> fixed_;
};

// Uniform draws r with 0 <= r < 1.
// Reseeded from the clock at every cycle; a per-object start value and a cycle count keep
// cycles within the same clock reading from repeating each other's noise.
class Draws {
  public:
    Draws();
    void Seed(float clock);
    float Next();
    // For tests: the draws to give instead of random ones, in turn and over again; none
    // gives random draws back.
    void Script(std::vector<float> draws);

  private:
    std::mt19937 rng_;
    std::uint32_t origin_;
    std::uint32_t cycles_ = 0;
    std::vector<float> script_;
    std::size_t next_ = 0;
};

// The guarded natural logarithm: ln a for a > 0, and 100 otherwise.
double GuardedLog(double a);

// The chromatogram curve: three peaks and a spike, interpolated from a table of 101 points
// every 2 s from 0 to 200 s; 0 outside.
class Chromatogram {
  public:
    // The curve's value at `xgc1` seconds, into `mw`.
    void GC(float& xgc1, double& mw);

  private:
    void Fill();
    bool filled_ = false;
    float x_[102] = {};
    float y_[102] = {};
};

// Everything a cycle needs besides the device.
struct CycleState {
    float start = 0;  // origin of the time base, seconds since midnight
    DriverClock clock;
    Draws draws;
    Chromatogram chromatogram;
};

// One measuring cycle on `device`: every channel whose MEASURE is set gets its VALUE from its
// curve and MEASURED; a device in error is not measured. The time base restarts when a
// channel finds more than 200 s elapsed.
void MeasuringCycle(int_Device& device, CycleState& state);

}  // namespace vodex::randomizer
