// Looking for an instrument on several serial ports at once, as detection does: every
// candidate port is opened and sent the request, and one wait serves all the answers, so a
// search over many silent ports takes one time-out instead of one per port.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vodex {

struct PortSearch {
    std::vector<std::int32_t> ports;  // in the order of preference
    std::string settings;             // the settings text each port is opened with
    std::string request;              // sent to each port as it is
    std::string terminator;           // ends an answer ("\r\n")
    double timeout = 1.0;             // seconds from sending until the answers are in
    // Whether an answer (up to and including the terminator) is the instrument's.
    std::function<bool(const std::string&)> accept;
    // For instruments that send unasked (no request, no terminator): decides on everything a
    // port has sent so far, its bytes as they came (not converted to text); true takes it,
    // false refuses it, nothing waits for more.
    std::function<std::optional<bool>(const std::string&)> judge;
    // The modem lines each port is opened with (a cable powered from DTR wants RTS off).
    bool rts = true;
    bool dtr = true;
};

// The first port in the order given whose answer is accepted. A port decides once its answer
// is complete, or it fails or cannot be opened; the search ends as soon as every port before
// an accepted one has decided, or after the time-out, when silent ports count as no
// instrument. Earlier ports that have not sent a byte count as no instrument sooner: once as
// long again as the accepted answer took (at least 0.1 s) has passed. Window events run while it
// waits, and a cancelled wait (tlx::CancelWaits) ends it with nothing found. Every port opened is
// closed again.
std::optional<std::int32_t> FirstAnsweringPort(const PortSearch& search);

}  // namespace vodex
