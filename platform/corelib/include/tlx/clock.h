// Clock and timer of the core library.
#pragma once

#include <chrono>

#include "tlx/object.h"

namespace tlx {

class cls_CoreClock : public Object {
  public:
    // Seconds since local midnight, with fractions.
    double SECONDS() const;
    // Waits `pSeconds` (nothing for 0 or less), sleeping in short slices; with
    // `pPumpMessages` pending window events run between the slices.
    void WAIT(double pSeconds, bool pPumpMessages = true) const;
};

// Measures elapsed time on the monotonic clock, so changes of the wall clock do not matter.
class cls_CoreTimer : public Object {
  public:
    cls_CoreTimer() { START(); }
    void START() { start_ = std::chrono::steady_clock::now(); }
    double SECONDSELAPSED() const;
    // Whether at least `pSeconds` have passed since START.
    bool ELAPSED(double pSeconds) const { return SECONDSELAPSED() >= pSeconds; }

  private:
    std::chrono::steady_clock::time_point start_;
};

}  // namespace tlx
