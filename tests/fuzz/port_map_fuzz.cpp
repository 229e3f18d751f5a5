// The port map: the input as the path a port number is mapped to, stored in the machine hive
// and read back, described and probed as a port that may be present. Probing opens nothing but
// pseudo-terminals, so no device of the machine running the fuzzer is touched.
#include <cstdlib>

#include "fuzz_support.h"
#include "tlx/error.h"
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
    tlx::cls_CorePortProbe().PRESENT(1);
    return 0;
}
