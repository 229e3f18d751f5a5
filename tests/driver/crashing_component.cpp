// A component that crashes as soon as it is loaded, or (built with VODEX_HANG) one that never
// finishes loading: what the installer must survive.
#include <unistd.h>

#include <csignal>

#include "tlx/component.h"

namespace {
__attribute__((constructor)) void MisbehaveOnLoad() {
#ifdef VODEX_HANG
    for (;;)
        ::pause();
#else
    std::raise(SIGSEGV);
#endif
}
}  // namespace

extern "C" __attribute__((visibility("default")))
const tlx_component_table tlx_component_entry = {};
