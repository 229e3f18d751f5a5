// The record files: channel lists, port lists and communication settings. The first byte
// chooses the record; the rest is the file as it is, or, when the second byte is 'F', the
// content of a file whose frame and checksum are right.
#include "fuzz_support.h"
#include "vodex/records/device_channels.h"
#include "vodex/records/device_comsettings.h"
#include "vodex/records/device_ports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string file =
        vodex::fuzz::AsFile(vodex::fuzz::TypedFile(vodex::fuzz::Bytes(data + 1, size - 1)));
    // LOAD traps every error of the file and says so by its result.
    switch (data[0] % 3) {
        case 0:
            vodex::cls_DeviceChannels().LOAD(file);
            break;
        case 1:
            vodex::cls_DevicePorts().LOAD(file);
            break;
        default:
            vodex::cls_DeviceComsettings().LOAD(file);
            break;
    }
    return 0;
}
