// Driver packages: the input as a package file (gzip stream, archive, manifest, checksums),
// and as a manifest of its own.
#include "fuzz_support.h"
#include "tlx/package.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = vodex::fuzz::Bytes(data, size);
    try {
        tlx::package::ReadPackage(vodex::fuzz::AsFile(bytes, "input.msi"));
    } catch (const tlx::package::InvalidPackage&) {
    } catch (const tlx::package::PackageNotOpenable&) {
    }
    try {
        tlx::package::Manifest::Parse(bytes);
    } catch (const tlx::package::InvalidPackage&) {
    }
    return 0;
}
