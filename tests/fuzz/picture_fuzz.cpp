// Pictures: a driver's BMP icon (or a PNG) as encoded bytes, decoded into a BMP, and the text
// form of a picture as typed files and the registry keep it.
#include "fuzz_support.h"
#include "tlx/error.h"
#include "tlx/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const tlx::cls_CorePicture picture(tlx::Bytes(data, data + size));
        picture.ASBMP();
    } catch (const tlx::Error&) {
    }
    try {
        tlx::TextToPicture(vodex::fuzz::Bytes(data, size));
    } catch (const tlx::Error&) {
    }
    return 0;
}
