// Typed value files: the input as a whole file (header, checksum and all), or, after a first
// byte 'F', as the content of a file whose frame and checksum are right, so that the value
// decoder meets every byte.
#include "fuzz_support.h"
#include "tlx/error.h"
#include "tlx/file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = vodex::fuzz::TypedFile(vodex::fuzz::Bytes(data, size));
    try {
        tlx::cls_CoreFile file;
        file.OPEN(vodex::fuzz::AsFile(bytes), 1);
        for (;;)
            file.READ();  // until the end of the file throws
    } catch (const tlx::Error&) {
    }
    return 0;
}
