// The time a wait of the serial ports hands poll(): the serial control, the termios and network
// transports and the TCP connect all wait the same way.
#pragma once

#include <cmath>
#include <limits>

namespace tlx::detail {

// How long one wait sleeps at most before window events run again, where the thread has any.
inline constexpr double kEventSlice = 0.02;

// `seconds` as poll()'s milliseconds, rounded up: not a number (or nothing) waits not at all;
// beyond what poll() takes, as long as it takes.
inline int PollMilliseconds(double seconds) {
    constexpr double kLongest = std::numeric_limits<int>::max() / 1000.0;
    if (!(seconds > 0)) return 0;
    return seconds >= kLongest ? std::numeric_limits<int>::max()
                               : static_cast<int>(std::ceil(seconds * 1000.0));
}

}  // namespace tlx::detail
