// A driver's update description (".tlx-udt"), read through the core library's update tag.
#include "fuzz_support.h"
#include "tlx/updatetag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tlx::cls_CoreUpdateTag tag;
    tag.READDESCRIPTION(vodex::fuzz::AsFile(vodex::fuzz::Bytes(data, size), "input.tlx-udt"));
    return 0;
}
