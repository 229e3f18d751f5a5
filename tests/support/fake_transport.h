// A serial transport for tests that does what pseudo-terminals cannot: modem lines, an output
// queue that drains slowly or never, settings a port refuses, a device that goes. The test
// keeps the FakePort and looks at it while the control owns the transport.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tlx/serial_transport.h"

namespace vodex::test {

struct FakePort {
    // What the test sets.
    bool refuseOpen = false;
    std::set<std::string> refusedSettings;  // as FormatSerialSettings gives them
    bool hasLines = true;
    bool cts = false;
    bool dsr = false;
    std::size_t takesPerWrite = SIZE_MAX;  // bytes one Write takes at most
    bool drains = true;                    // the output queue empties while waiting
    std::deque<std::uint8_t> arriving;     // input the port will deliver
    bool gone = false;

    // What the test reads.
    bool open = false;
    std::string openedPath;
    tlx::SerialSettings applied;
    bool rts = false;
    bool dtr = false;
    std::vector<std::uint8_t> sent;  // bytes that left the port
    std::size_t queued = 0;          // bytes handed over that have not left yet
    int outputDiscards = 0;
    int inputDiscards = 0;
    int waits = 0;
};

// A transport on `port`; install with tlx::SetSerialTransportFactory for port objects.
std::unique_ptr<tlx::SerialTransport> MakeFakeTransport(std::shared_ptr<FakePort> port);

}  // namespace vodex::test
