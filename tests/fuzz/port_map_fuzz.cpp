// The port map: the input as the path a port number is mapped to, stored in the machine hive
// and read back, described and probed as a port that may be present. Probing opens nothing but
// pseudo-terminals, so no device of the machine running the fuzzer is touched; network
// addresses are read, never connected to.
#include <cstdlib>

#include "fuzz_support.h"
#include "tlx/error.h"
#include "tlx/network_port.h"
#include "tlx/port_map.h"
#include "tlx/port_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = vodex::fuzz::Bytes(data, size);
    try {
        tlx::SetPortDevicePath(1, path);
        // The map keeps every path as it was given.
        if (tlx::PortDevicePath(1) != path) std::abort();
    } catch (const tlx::Error&) {
    }
    tlx::PortDescription(1);
    if (tlx::IsNetworkPortPath(path)) {
        try {
            const auto port = tlx::ParseNetworkPort(path);
            if (!port || port->host.empty() || port->port == 0) std::abort();
            tlx::NetworkPortPlace(*port);
        } catch (const tlx::Error&) {
        }
    } else {
        tlx::cls_CorePortProbe().PRESENT(1);
    }
    return 0;
}
