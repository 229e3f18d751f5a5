// The driver catalogue: the input as the catalogue server's answer, merged into the list and
// classified, every entry's status asked for.
#include "fuzz_support.h"
#include "vodex/tools/driver_catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vodex::DriverCatalogue list(nullptr);
    list.MergeCatalogue(vodex::fuzz::Bytes(data, size));
    list.ClassifyAll();
    for (const vodex::DriverEntry& entry : list.Entries())
        vodex::DriverCatalogue::Status(entry, true);
    return 0;
}
