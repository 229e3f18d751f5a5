#include "tlx/clock.h"

#include <ctime>
#include <thread>

#include "tlx/pump.h"

namespace tlx {
namespace {
constexpr auto kSlice = std::chrono::milliseconds(10);
}  // namespace

double cls_CoreClock::SECONDS() const {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
           static_cast<double>(now.tv_nsec) / 1e9;
}

void cls_CoreClock::WAIT(double pSeconds, bool pPumpMessages) const {
    if (!(pSeconds > 0)) return;
    using namespace std::chrono;
    const auto deadline =
        steady_clock::now() + duration_cast<steady_clock::duration>(duration<double>(pSeconds));
    for (;;) {
        if (pPumpMessages) {
            PumpMessages();
            if (WaitsCancelled()) return;
        }
        auto now = steady_clock::now();
        if (now >= deadline) return;
        std::this_thread::sleep_for(std::min<steady_clock::duration>(deadline - now, kSlice));
    }
}

double cls_CoreTimer::SECONDSELAPSED() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace tlx
