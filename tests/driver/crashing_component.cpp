// A component that crashes as soon as it is loaded: what the installer must survive.
#include <csignal>

#include "tlx/component.h"

namespace {
__attribute__((constructor)) void CrashOnLoad() {
    std::raise(SIGSEGV);
}
}  // namespace

extern "C" __attribute__((visibility("default")))
const tlx_component_table tlx_component_entry = {};
