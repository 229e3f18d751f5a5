// A component that needs a newer toolkit than this one: creating its class must be refused.
#include "tlx/component.h"

namespace {

constexpr const char* kClasses[] = {"cls_FutureDriver", nullptr};
constexpr tlx_component_version kVersion = {9, 0, 0, "1.1.2100", "aus der Zukunft", 99999};

int Create(const char*, tlx::ObjectRef* out) {
    *out = std::make_shared<tlx::Object>();
    return 0;
}

}  // namespace

extern "C" {
__attribute__((visibility("default"))) extern const tlx_component_table tlx_component_entry;
const tlx_component_table tlx_component_entry = {
    TLX_COMPONENT_ABI,
    "Vodex_FutureDriver",
    kClasses,
    &tlx::RegisterEntry<tlx_component_entry>,
    &tlx::UnregisterEntry<tlx_component_entry>,
    &Create,
    &kVersion,
};
}
