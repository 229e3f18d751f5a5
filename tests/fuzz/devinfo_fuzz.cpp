// A driver's description file (".devinfo"): a whole device, as the registry reads it for a
// driver it describes without starting it; the input as it is, or, after a first byte 'F', as
// the content of a file whose frame and checksum are right.
#include <memory>

#include "fuzz_support.h"
#include "tlx/error.h"
#include "vodex/core/device.h"
#include "vodex/records/device_channels.h"
#include "vodex/records/device_info.h"
#include "vodex/records/device_ports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = vodex::fuzz::TypedFile(vodex::fuzz::Bytes(data, size));
    auto device = std::make_shared<vodex::int_Device>();
    try {
        device->LOAD(vodex::fuzz::AsFile(bytes, "input.devinfo"));
        // What the lists and dialogs read from a description.
        device->INFO()->NAME();
        for (std::int32_t i = 1; i <= device->CHANNELS()->COUNT(); ++i)
            device->CHANNELS()->Item(i)->NAME();
        for (std::int32_t i = 1; i <= device->PORTS()->COUNT(); ++i)
            device->PORTS()->Item(i, true)->NAME();
    } catch (const tlx::Error&) {
    }
    return 0;
}
